program Shop;

uses
  Forms,
  OrdersQuery in 'OrdersQuery.pas',
  MainForm in 'MainForm.pas' {frmMain};

{$R *.res}

begin
  Application.Initialize;
  Application.Title := 'Shop';
  Application.CreateForm(TfrmMain, frmMain);
  Application.Run;
end.
