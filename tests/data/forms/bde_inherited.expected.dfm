inherited Form2: TForm2
  Caption = 'Child'
  inherited Query1: TZanQuery
    SQL.Strings = (
      'select 1')
  end
  inline Frame11: TFrame1
    Left = 8
    Top = 8
    inherited Table1: TZanTable
      TableName = 'CUSTOMER'
    end
  end
  object Table2: TZanTable
    TableName = 'ORDERS'
    Left = 120
    Top = 8
  end
end
