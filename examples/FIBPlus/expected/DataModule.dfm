object dmData: TdmData
  OldCreateOrder = False
  OnCreate = DataModuleCreate
  Height = 360
  Width = 520
  object dbWarehouse: TZanConnection
    ProviderName = 'InterBase'
    Database = 'localhost:C:\Data\warehouse.fdb'
    Username = 'SYSDBA'
    Password = 'masterkey'
    SpecificOptions.Strings = (
      'InterBase.Charset=WIN1252'
      'InterBase.ClientLibrary=fbclient.dll'
      )
    DefaultTransaction = trRead
    LoginPrompt = False
    BeforeConnect = dbWarehouseBeforeConnect
    Left = 40
    Top = 16
  end
  object trRead: TZanTransaction
    DefaultConnection = dbWarehouse
    DefaultCloseAction = TARollback
    IsolationLevel = ilReadCommitted
    Left = 136
    Top = 16
  end
  object qryOrders: TZanQuery
    SQLUpdate.Strings = (
      
        'update ORDERS set SHIP_VIA = :SHIP_VIA, AMOUNT_PAID = :AMOUNT_PA' +
        'ID'
      ' where ORDER_NO = :OLD_ORDER_NO')
    SQLDelete.Strings = (
      'delete from ORDERS where ORDER_NO = :OLD_ORDER_NO')
    SQLRefresh.Strings = (
      'select ORDER_NO, CUST_NO, SALE_DATE, SHIP_VIA, AMOUNT_PAID'
      '  from ORDERS where ORDER_NO = :OLD_ORDER_NO')
    SQL.Strings = (
      'select ORDER_NO, CUST_NO, SALE_DATE, SHIP_VIA, AMOUNT_PAID'
      '  from ORDERS'
      ' where CUST_NO = :CustNo'
      ' order by SALE_DATE desc')
    UpdatingTable = 'ORDERS'
    KeyFields = 'ORDER_NO'
    AfterOpen = qryOrdersAfterOpen
    OnCalcFields = qryOrdersCalcFields
    Connection = dbWarehouse
    Transaction = trRead
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
  object spOrderTotal: TZanStoredProc
    Connection = dbWarehouse
    Transaction = trRead
    StoredProcName = 'ORDER_TOTAL'
    Left = 136
    Top = 144
  end
  object qryArchive: TZanSQL
    Connection = dbWarehouse
    Transaction = trRead
    SQL.Strings = (
      'delete from ORDERS where SALE_DATE < :BEFORE')
    Left = 232
    Top = 80
  end
end
