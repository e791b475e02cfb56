program Fleet;

uses
  Forms,
  MainForm in 'MainForm.pas' {frmMain},
  DataModule in 'DataModule.pas' {dmData: TDataModule};

{$R *.res}

begin
  Application.Initialize;
  Application.Title := 'Fleet';
  Application.CreateForm(TdmData, dmData);
  Application.CreateForm(TfrmMain, frmMain);
  Application.Run;
end.
