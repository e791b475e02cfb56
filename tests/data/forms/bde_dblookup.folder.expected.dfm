object Form4: TForm4
  Caption = 'Lookup'
  object Query1: TZanQuery
    SQL.Strings = (
      'select * from customer')
    Left = 24
    Top = 16
    object Query1CustNo: TFloatField
      FieldName = 'CustNo'
    end
    object Query1Company: TStringField
      FieldName = 'Company'
      Size = 30
    end
  end
  object Table1: TZanTable
    TableName = 'ITEMS'
    Left = 80
    Top = 16
  end
end
