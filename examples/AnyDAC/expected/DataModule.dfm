object dmData: TdmData
  OldCreateOrder = False
  OnCreate = DataModuleCreate
  Height = 360
  Width = 520
  object conClinic: TZanConnection
    ProviderName = 'MySQL'
    Database = 'clinic'
    Server = 'db.example.com'
    Username = 'clinic'
    Password = 'secret'
    SpecificOptions.Strings = (
      'MySQL.Charset=utf8'
      )
    LoginPrompt = False
    BeforeConnect = conClinicBeforeConnect
    Left = 40
    Top = 16
  end
  object trClinic: TZanTransaction
    Connection = conClinic
    Left = 136
    Top = 16
  end
  object qryOrders: TZanQuery
    Connection = conClinic
    Transaction = trClinic
    SQL.Strings = (
      'select ORDER_NO, CUST_NO, SALE_DATE, SHIP_VIA, AMOUNT_PAID'
      '  from ORDERS'
      ' where CUST_NO = :CustNo'
      ' order by SALE_DATE desc')
    ParamData = <
      item
        Name = 'CUSTNO'
        DataType = ftInteger
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
    Connection = conClinic
    Transaction = trClinic
    TableName = 'CUSTOMER'
    BeforePost = tblCustomersBeforePost
    Left = 40
    Top = 144
  end
  object spOrderTotal: TZanStoredProc
    Connection = conClinic
    Transaction = trClinic
    StoredProcName = 'ORDER_TOTAL'
    ParamData = <
      item
        Name = 'ORDER_NO'
        DataType = ftInteger
        ParamType = ptInput
      end
      item
        Name = 'TOTAL'
        DataType = ftCurrency
        ParamType = ptInput
      end>
    Left = 136
    Top = 144
  end
  object lnkMySQL: TMySQLZanProvider
    Left = 232
    Top = 16
  end
end
