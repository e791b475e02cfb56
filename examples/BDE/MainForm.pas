unit MainForm;

// Café orders by customer

interface

uses
  Windows, Messages, SysUtils, Variants, Classes, Graphics, Controls, Forms,
  Dialogs, StdCtrls, Grids, DBGrids, DB, DBTables;

type
  TfrmMain = class(TForm)
    grdOrders: TDBGrid;
    btnRefresh: TButton;
    cbxCustomer: TComboBox;
    qryLookup: TQuery;
    procedure FormCreate(Sender: TObject);
    procedure btnRefreshClick(Sender: TObject);
    procedure cbxCustomerChange(Sender: TObject);
  private
    procedure FillCustomers;
  end;

var
  frmMain: TfrmMain;

implementation

uses
  DataModule;

{$R *.dfm}

procedure TfrmMain.FormCreate(Sender: TObject);
begin
  dmData.Connect;
  FillCustomers;
end;

procedure TfrmMain.FillCustomers;
begin
  qryLookup.Open;
  try
    while not qryLookup.Eof do
    begin
      cbxCustomer.Items.AddObject(qryLookup.FieldByName('COMPANY').AsString,
        TObject(qryLookup.FieldByName('CUST_NO').AsInteger));
      qryLookup.Next;
    end;
  finally
    qryLookup.Close;
  end;
end;

procedure TfrmMain.btnRefreshClick(Sender: TObject);
begin
  dmData.qryOrders.Refresh;
end;

procedure TfrmMain.cbxCustomerChange(Sender: TObject);
begin
  if cbxCustomer.ItemIndex >= 0 then
    dmData.OpenOrders(Integer(cbxCustomer.Items.Objects[cbxCustomer.ItemIndex]));
end;

end.
