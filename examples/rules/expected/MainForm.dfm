object frmMain: TfrmMain
  Left = 192
  Top = 114
  Caption = 'Shop'
  ClientHeight = 420
  ClientWidth = 640
  OnCreate = FormCreate
  PixelsPerInch = 96
  TextHeight = 13
  object grdOrders: TDBGrid
    Left = 8
    Top = 8
    Width = 624
    Height = 404
    DataSource = dsOrders
    TabOrder = 0
  end
  object dbShop: TZanConnection
    LoginPrompt = False
    Left = 40
    Top = 16
  end
  object vtCustomers: TZanTable
    Connection = dbShop
    TableName = 'CUSTOMER'
    LockMode = lmOptimistic
    Active = True
    Left = 40
    Top = 80
    FetchRows = 100
  end
  object dsCustomers: TDataSource
    DataSet = vtCustomers
    Left = 136
    Top = 80
  end
  object qryOrders: TOrdersQuery
    MasterSource = dsCustomers
    ReadOnly = False
    SQL.Strings = (
      'select ORDER_NO, CUST_NO, STATUS, AMOUNT_PAID'
      '  from ORDERS'
      ' where CUST_NO = :CUST_NO and STATUS = :STATUS')
    OrderStatus = 'open'
    Left = 40
    Top = 144
  end
  object dsOrders: TDataSource
    DataSet = qryOrders
    Left = 136
    Top = 144
  end
end
