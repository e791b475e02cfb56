object Form3: TForm3
  Caption = 'Broken'
  object Query1: TQuery
    DatabaseName = 'DBDEMOS'
    SQL.Strings = (
      'select 1'
    Left = 40
  end
end
