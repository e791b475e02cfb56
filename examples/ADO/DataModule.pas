unit DataModule;

interface

uses
  SysUtils, Classes, DB, ADODB;

{ The data of the order screens: one connection, the order list of a
  customer and the order total computed on the server (a TADOQuery
  would do as well, but the procedure keeps the rule in one place). }

type
  TdmData = class(TDataModule)
    conSales: TADOConnection;
    qryOrders: TADOQuery;
    qryOrdersOrderNo: TIntegerField;
    qryOrdersCustNo: TIntegerField;
    qryOrdersSaleDate: TDateTimeField;
    qryOrdersShipVia: TStringField;
    qryOrdersAmountPaid: TCurrencyField;
    qryOrdersTotal: TCurrencyField;
    dsOrders: TDataSource;
    tblCustomers: TADOTable;
    spOrderTotal: TADOStoredProc;
    cmdArchive: TADOCommand;
    procedure DataModuleCreate(Sender: TObject);
    procedure conSalesBeforeConnect(Sender: TObject);
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

procedure TdmData.conSalesBeforeConnect(Sender: TObject);
begin
  // Credentials come from the environment in production.
end;

procedure TdmData.Connect;
begin
  conSales.Connected := True;
end;

procedure TdmData.OpenOrders(CustNo: Integer);
begin
  qryOrders.Close;
  qryOrders.Parameters.ParamByName('CustNo').Value := CustNo;
  qryOrders.Open;
end;

function TdmData.OrderTotal(OrderNo: Integer): Currency;
begin
  spOrderTotal.Parameters.ParamByName('ORDER_NO').Value := OrderNo;
  spOrderTotal.ExecProc;
  Result := spOrderTotal.Parameters.ParamByName('TOTAL').Value;
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
