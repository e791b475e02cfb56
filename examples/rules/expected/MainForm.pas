unit MainForm;

interface

uses
  Windows, Messages, SysUtils, Classes, Graphics, Controls, Forms, Dialogs,
  Grids, DBGrids, DB, DBTables, Zan, Quillbase, Rowquill, ZanVendorHelpers, OrdersQuery;

type
  TfrmMain = class(TForm)
    grdOrders: TDBGrid;
    dbShop: TZanConnection;
    vtCustomers: TZanTable;
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
