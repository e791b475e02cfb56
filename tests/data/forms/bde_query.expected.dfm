object Form1: TForm1
  Left = 192
  Top = 114
  Caption = 'Orders'
  ClientHeight = 300
  ClientWidth = 400
  object Button1: TButton
    Left = 8
    Top = 8
    Width = 75
    Height = 25
    Caption = 'Open'
    TabOrder = 0
  end
  object Query1: TZanQuery
    SQL.Strings = (
      'select * from orders'
      'where CustNo = :CustNo')
    Left = 40
    Top = 56
    ParamData = <
      item
        DataType = ftInteger
        Name = 'CustNo'
        ParamType = ptInput
      end>
  end
  object DataSource1: TDataSource
    DataSet = Query1
    Left = 96
    Top = 56
  end
end
