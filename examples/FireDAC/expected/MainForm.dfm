object frmMain: TfrmMain
  Left = 192
  Top = 114
  Caption = 'Tickets'
  ClientHeight = 420
  ClientWidth = 640
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'Tahoma'
  Font.Style = []
  OldCreateOrder = False
  Position = poScreenCenter
  OnCreate = FormCreate
  PixelsPerInch = 96
  TextHeight = 13
  object grdOrders: TDBGrid
    Left = 8
    Top = 40
    Width = 624
    Height = 372
    Anchors = [akLeft, akTop, akRight, akBottom]
    DataSource = dmData.dsOrders
    TabOrder = 0
    TitleFont.Charset = DEFAULT_CHARSET
    TitleFont.Color = clWindowText
    TitleFont.Height = -11
    TitleFont.Name = 'Tahoma'
    TitleFont.Style = []
    Columns = <
      item
        Expanded = False
        FieldName = 'ORDER_NO'
        Title.Caption = 'Order'
        Visible = True
      end
      item
        Expanded = False
        FieldName = 'SALE_DATE'
        Width = 96
        Visible = True
      end
      item
        Expanded = False
        FieldName = 'AMOUNT_PAID'
        Visible = True
      end>
  end
  object btnRefresh: TButton
    Left = 8
    Top = 8
    Width = 75
    Height = 25
    Caption = '&Refresh'
    TabOrder = 1
    OnClick = btnRefreshClick
  end
  object cbxCustomer: TComboBox
    Left = 96
    Top = 10
    Width = 217
    Height = 21
    Style = csDropDownList
    TabOrder = 2
    OnChange = cbxCustomerChange
  end
  object qryLookup: TZanQuery
    Connection = dmData.conTickets
    Transaction = dmData.trTickets
    SQL.Strings = (
      'select CUST_NO, COMPANY from CUSTOMER order by COMPANY')
    Left = 560
    Top = 8
  end
end
