{ Reference converter for the differential test and the benchmark of the
  form converter: Free Pascal's ObjectBinaryToText / ObjectTextToBinary.

  dfmconv b2t|t2b LISTFILE            converts each "input<TAB>output" line;
                                      a failure writes "input: message" to stderr
  dfmconv bench-b2t|bench-t2b LISTFILE REPEAT
                                      converts every input REPEAT times in memory
                                      and prints "bytes milliseconds" }
program dfmconv;

{$mode objfpc}{$H+}

uses
  Classes, SysUtils, DateUtils;

{ Skips the resource header FF 0A 00 name 00 flags(2) length(4), if any. }
procedure SkipResourceHeader(Input: TMemoryStream);
var
  P: PByte;
  I: Int64;
begin
  P := PByte(Input.Memory);
  if (Input.Size >= 3) and (P[0] = $FF) and (P[1] = $0A) and (P[2] = 0) then
  begin
    I := 3;
    while (I < Input.Size) and (P[I] <> 0) do
      Inc(I);
    Input.Position := I + 7;
  end
  else
    Input.Position := 0;
end;

procedure ConvertOne(ToText: Boolean; Input, Output: TMemoryStream);
begin
  Output.Clear;
  if ToText then
  begin
    SkipResourceHeader(Input);
    ObjectBinaryToText(Input, Output);
  end
  else
  begin
    Input.Position := 0;
    ObjectTextToBinary(Input, Output);
  end;
end;

var
  Mode: string;
  List: TStringList;
  Inputs: array of TMemoryStream;
  Input, Output: TMemoryStream;
  I, R, Repeats, Tab: Integer;
  Bytes: Int64;
  Start: TDateTime;
begin
  Mode := ParamStr(1);
  List := TStringList.Create;
  List.LoadFromFile(ParamStr(2));
  Output := TMemoryStream.Create;
  if (Mode = 'b2t') or (Mode = 't2b') then
  begin
    Input := TMemoryStream.Create;
    for I := 0 to List.Count - 1 do
    begin
      Tab := Pos(#9, List[I]);
      try
        Input.LoadFromFile(Copy(List[I], 1, Tab - 1));
        ConvertOne(Mode = 'b2t', Input, Output);
        Output.SaveToFile(Copy(List[I], Tab + 1, MaxInt));
      except
        on E: Exception do
          WriteLn(StdErr, Copy(List[I], 1, Tab - 1), ': ', E.Message);
      end;
    end;
  end
  else
  begin
    Repeats := StrToInt(ParamStr(3));
    SetLength(Inputs, List.Count);
    Bytes := 0;
    for I := 0 to List.Count - 1 do
    begin
      Inputs[I] := TMemoryStream.Create;
      Inputs[I].LoadFromFile(List[I]);
      Inc(Bytes, Inputs[I].Size);
    end;
    Start := Now;
    for R := 1 to Repeats do
      for I := 0 to List.Count - 1 do
        try
          ConvertOne(Mode = 'bench-b2t', Inputs[I], Output);
        except
          on E: Exception do ;
        end;
    WriteLn(Bytes * Repeats, ' ', MilliSecondsBetween(Now, Start));
  end;
end.
