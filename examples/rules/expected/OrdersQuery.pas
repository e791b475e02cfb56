unit OrdersQuery;

{ The order list of the shop: a TZanQuery that knows which orders it shows. }

interface

uses
  SysUtils, Classes, DB, DBTables, Zan, Quillbase, Rowquill, ZanVendorHelpers;

type
  TOrdersQuery = class(TZanQuery)
  private
    FOrderStatus: string;
    procedure SetOrderStatus(const Value: string);
  published
    property OrderStatus: string read FOrderStatus write SetOrderStatus;
  end;

procedure Register;

implementation

procedure TOrdersQuery.SetOrderStatus(const Value: string);
begin
  if Value = FOrderStatus then Exit;
  FOrderStatus := Value;
  if Active then
  begin
    Close;
    ParamByName('STATUS').AsString := Value;
    Open;
  end;
end;

procedure Register;
begin
  RegisterComponents('Shop', [TOrdersQuery]);
end;

end.
