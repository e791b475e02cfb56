object dmData: TdmData
  OldCreateOrder = False
  OnCreate = DataModuleCreate
  Height = 360
  Width = 520
  object dbMain: TZanConnection
    LoginPrompt = False
    Username = 'sysdba'
    Password = 'masterkey'
    BeforeConnect = dbMainBeforeConnect
    Left = 40
    Top = 16
  end
  object qryOrders: TZanQuery
    Connection = dmData.dbMain
    SQL.Strings = (
      'select ORDER_NO, CUST_NO, SALE_DATE, SHIP_VIA, AMOUNT_PAID'
      '  from ORDERS'
      ' where CUST_NO = :CustNo'
      ' order by SALE_DATE desc')
    Params = <
      item
        DataType = ftInteger
        Name = 'CustNo'
        ParamType = ptInput
        Value = 1221
      end>
    AfterOpen = qryOrdersAfterOpen
    OnCalcFields = qryOrdersCalcFields
    Left = 40
    Top = 80
    object qryOrdersOrderNo: TIntegerField
      FieldName = 'ORDER_NO'
      Required = True
    end
    object qryOrdersCustNo: TIntegerField
      FieldName = 'CUST_NO'
    end
    object qryOrdersSaleDate: TDateTimeField
      FieldName = 'SALE_DATE'
      DisplayFormat = 'dd.mm.yyyy'
    end
    object qryOrdersShipVia: TStringField
      FieldName = 'SHIP_VIA'
      Size = 15
    end
    object qryOrdersAmountPaid: TCurrencyField
      FieldName = 'AMOUNT_PAID'
    end
    object qryOrdersTotal: TCurrencyField
      FieldKind = fkCalculated
      FieldName = 'Total'
      Calculated = True
    end
  end
  object dsOrders: TDataSource
    DataSet = qryOrders
    Left = 136
    Top = 80
  end
  object tblCustomers: TZanTable
    Connection = dmData.dbMain
    TableName = 'CUSTOMER'
    IndexFieldNames = 'CUST_NO'
    BeforePost = tblCustomersBeforePost
    Left = 40
    Top = 144
  end
  object spOrderTotal: TZanStoredProc
    Connection = dmData.dbMain
    StoredProcName = 'ORDER_TOTAL'
    Params = <
      item
        DataType = ftInteger
        Name = 'ORDER_NO'
        ParamType = ptInput
      end
      item
        DataType = ftCurrency
        Name = 'TOTAL'
        ParamType = ptInput
      end>
    Left = 136
    Top = 144
  end
  object updOrders: TZanUpdateSQL
    ModifySQL.Strings = (
      'update ORDERS set SHIP_VIA = :SHIP_VIA'
      ' where ORDER_NO = :OLD_ORDER_NO')
    DeleteSQL.Strings = (
      'delete from ORDERS where ORDER_NO = :OLD_ORDER_NO')
    Left = 232
    Top = 80
  end
end
