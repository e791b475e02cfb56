unit DataModule;

interface

uses
  SysUtils, Classes, DB, IBDatabase, Zan, Quillbase, Rowquill, IBCustomDataSet, IBQuery, IBTable, IBStoredProc;

{ The data of the order screens: one connection, the order list of a
  customer and the order total computed on the server (a TZanQuery
  would do as well, but the procedure keeps the rule in one place). }

type
  TdmData = class(TDataModule)
    dbEmployee: TZanConnection;
    trMain: TZanTransaction;
    qryOrders: TZanQuery;
    qryOrdersOrderNo: TIntegerField;
    qryOrdersCustNo: TIntegerField;
    qryOrdersSaleDate: TDateTimeField;
    qryOrdersShipVia: TStringField;
    qryOrdersAmountPaid: TCurrencyField;
    qryOrdersTotal: TCurrencyField;
    dsOrders: TDataSource;
    tblCustomers: TZanTable;
    spOrderTotal: TZanStoredProc;
    dsetCustomers: TZanQuery;
    procedure DataModuleCreate(Sender: TObject);
    procedure dbEmployeeBeforeConnect(Sender: TObject);
    procedure qryOrdersAfterOpen(DataSet: TDataSet);
    procedure qryOrdersCalcFields(DataSet: TDataSet);
    procedure tblCustomersBeforePost(DataSet: TDataSet);
  private
    FUserName: string;
  public
    procedure Connect;
    procedure OpenOrders(CustNo: Integer);
    function OrderTotal(OrderNo: Integer): Currency;
  end;

var
  dmData: TdmData;

implementation

{$R *.dfm}

procedure TdmData.DataModuleCreate(Sender: TObject);
begin
  FUserName := GetEnvironmentVariable('USERNAME');
end;

procedure TdmData.dbEmployeeBeforeConnect(Sender: TObject);
begin
  // Credentials come from the environment in production.
end;

procedure TdmData.Connect;
begin
  dbEmployee.Connected := True;
end;

procedure TdmData.OpenOrders(CustNo: Integer);
begin
  qryOrders.Close;
  qryOrders.ParamByName('CUSTNO').AsInteger := CustNo;
  qryOrders.Open;
end;

function TdmData.OrderTotal(OrderNo: Integer): Currency;
begin
  spOrderTotal.ParamByName('ORDER_NO').AsInteger := OrderNo;
  spOrderTotal.ExecProc;
  Result := spOrderTotal.ParamByName('TOTAL').AsCurrency;
end;

procedure TdmData.qryOrdersAfterOpen(DataSet: TDataSet);
begin
  qryOrdersSaleDate.DisplayLabel := 'Date';
end;

procedure TdmData.qryOrdersCalcFields(DataSet: TDataSet);
begin
  qryOrdersTotal.AsCurrency := qryOrdersAmountPaid.AsCurrency * 1.19;
end;

procedure TdmData.tblCustomersBeforePost(DataSet: TDataSet);
begin
  if DataSet.FieldByName('COMPANY').AsString = '' then
    raise Exception.Create('Company is required.');
end;

end.
