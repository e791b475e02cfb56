object DataModule1: TDataModule1
  OldCreateOrder = False
  Height = 150
  Width = 215
  object Database1: TDatabase
    AliasName = 'IBLocal'
    DatabaseName = 'Sales'
    LoginPrompt = False
    Params.Strings = (
      'SERVER NAME=db.example.com:/data/sales.gdb'
      'USER NAME=SYSDBA'
      'PASSWORD=masterkey')
    SessionName = 'Default'
    Left = 24
    Top = 16
  end
end
