object dmData: TdmData
  OldCreateOrder = False
  OnCreate = DataModuleCreate
  Height = 360
  Width = 520
  object conSales: TADOConnection
    Connected = True
    ConnectionString = 
      'Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security In' +
      'fo=False;Initial Catalog=Sales;Data Source=SQLSRV01'
    LoginPrompt = False
    Provider = 'SQLOLEDB.1'
    BeforeConnect = conSalesBeforeConnect
    Left = 40
    Top = 16
  end
  object qryOrders: TADOQuery
    Connection = conSales
    SQL.Strings = (
      'select ORDER_NO, CUST_NO, SALE_DATE, SHIP_VIA, AMOUNT_PAID'
      '  from ORDERS'
      ' where CUST_NO = :CustNo'
      ' order by SALE_DATE desc')
    Parameters = <
      item
        Name = 'CustNo'
        Attributes = [paNullable]
        DataType = ftInteger
        Precision = 10
        Size = 4
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
  object tblCustomers: TADOTable
    Connection = conSales
    TableName = 'CUSTOMER'
    BeforePost = tblCustomersBeforePost
    Left = 40
    Top = 144
  end
  object spOrderTotal: TADOStoredProc
    Connection = conSales
    ProcedureName = 'ORDER_TOTAL;1'
    Parameters = <
      item
        Name = 'ORDER_NO'
        Attributes = [paNullable]
        DataType = ftInteger
        Precision = 10
        Size = 4
        Value = Null
      end
      item
        Name = 'TOTAL'
        Attributes = [paNullable]
        DataType = ftCurrency
        Precision = 10
        Size = 4
        Value = Null
      end>
    Left = 136
    Top = 144
  end
  object cmdArchive: TADOCommand
    CommandText = 'delete from ORDERS where SALE_DATE < :Before'
    Connection = conSales
    Parameters = <
      item
        Name = 'Before'
        Attributes = [paNullable]
        DataType = ftDateTime
        Precision = 10
        Size = 4
        Value = Null
      end>
    Left = 232
    Top = 80
  end
end
