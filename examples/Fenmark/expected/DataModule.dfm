object dmData: TdmData
  OldCreateOrder = False
  OnCreate = DataModuleCreate
  Height = 360
  Width = 520
  object conInventory: TZanConnection
    ProviderName = 'SQL Server'
    Database = 'Inventory'
    SpecificOptions.Strings = (
      'SQL Server.ApplicationName=Inventory'
      'SQL Server.Provider=prNativeClient'
      )
    Username = 'sa'
    Server = 'SQLSRV01'
    LoginPrompt = False
    BeforeConnect = conInventoryBeforeConnect
    Left = 40
    Top = 16
  end
  object trInventory: TZanTransaction
    DefaultConnection = conInventory
    IsolationLevel = ilReadCommitted
    Left = 136
    Top = 16
  end
  object qryOrders: TZanQuery
    Connection = conInventory
    SQL.Strings = (
      'select ORDER_NO, CUST_NO, SALE_DATE, SHIP_VIA, AMOUNT_PAID'
      '  from ORDERS'
      ' where CUST_NO = :CustNo'
      ' order by SALE_DATE desc')
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
    Connection = conInventory
    TableName = 'CUSTOMER'
    BeforePost = tblCustomersBeforePost
    Left = 40
    Top = 144
  end
  object spOrderTotal: TZanStoredProc
    Connection = conInventory
    StoredProcName = 'dbo.ORDER_TOTAL'
    Left = 136
    Top = 144
  end
  object sqlArchive: TZanSQL
    Connection = conInventory
    SQL.Strings = (
      'delete from ORDERS where SALE_DATE < :Before')
    Left = 232
    Top = 80
  end
end
