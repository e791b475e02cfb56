unit MainForm;

interface

uses
  Windows, Messages, SysUtils, Classes, Graphics, Controls, Forms, Dialogs,
  Grids, DBGrids, DB, DBTables, OrdersQuery, VendorData;

type
  TfrmMain = class(TForm)
    grdOrders: TDBGrid;
    dbShop: TDatabase;
    vtCustomers: TVendorTable;
    dsCustomers: TDataSource;
    qryOrders: TOrdersQuery;
    dsOrders: TDataSource;
    procedure FormCreate(Sender: TObject);
  end;

var
  frmMain: TfrmMain;

implementation

{$R *.dfm}

procedure TfrmMain.FormCreate(Sender: TObject);
begin
  dbShop.Connected := True;
  vtCustomers.Open;
  qryOrders.OrderStatus := 'open';
end;

end.
