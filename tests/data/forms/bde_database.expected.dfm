object DataModule1: TDataModule1
  OldCreateOrder = False
  Height = 150
  Width = 215
  object Database1: TZanConnection
    LoginPrompt = False
    Username = 'SYSDBA'
    Password = 'masterkey'
    Server = 'db.example.com:/data/sales.gdb'
    Left = 24
    Top = 16
  end
end
