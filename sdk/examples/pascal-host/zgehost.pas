{
  A minimal host of ZelkanGE in Pascal (Free Pascal or Delphi): a window
  with the Google Earth view embedded in it, a waypoint and a route loaded,
  the feature list read, and the panel closed. Exits with 0 when all of
  that worked, 1 otherwise.

  Free Pascal, for 64-bit and 32-bit Windows:
    fpc -Twin64 -Px86_64 -Fu../../pascal zgehost.pas
    fpc -Twin32 -Pi386 -Fu../../pascal zgehost.pas
  Delphi: add ../../pascal/zelkange.pas to a console project.
  ZelkanGE.dll of the same bitness goes beside zgehost.exe.
}
program zgehost;

{$ifdef FPC}
  {$mode delphi}
{$endif}
{$APPTYPE CONSOLE}

uses
  Windows, zelkange;

const
  { Start-up normally takes one to three seconds; Google Earth may be slow. }
  ViewTimeoutMs = 60000;

type
  THostState = record
    LoadedCalls: Integer;
    StartFailed: Boolean;
  end;
  PHostState = ^THostState;

{ The layout the DLL expects (the header's structures on this bitness). }
{$ifdef CPU64}
  {$if SizeOf(TPointGE) <> 40}{$error TPointGE does not match the header}{$endif}
  {$if SizeOf(TListGE) <> 16}{$error TListGE does not match the header}{$endif}
  {$if SizeOf(TZgeMessage) <> 32}{$error TZgeMessage does not match the header}{$endif}
{$else}
  {$if SizeOf(TPointGE) <> 32}{$error TPointGE does not match the header}{$endif}
  {$if SizeOf(TListGE) <> 8}{$error TListGE does not match the header}{$endif}
  {$if SizeOf(TZgeMessage) <> 16}{$error TZgeMessage does not match the header}{$endif}
{$endif}
{$if SizeOf(TMousePosGE) <> 32}{$error TMousePosGE does not match the header}{$endif}
{$if SizeOf(ZgeBool) <> 1}{$error ZgeBool must be one byte}{$endif}

procedure OnLoaded(context: Pointer; isLoaded: ZgeBool); stdcall;
begin
  Inc(PHostState(context)^.LoadedCalls);
  if isLoaded = 0 then
    PHostState(context)^.StartFailed := True;
end;

procedure PrintLastError(const what: AnsiString);
var
  code: Int32;
  text: AnsiString;
begin
  text := ZgeLastErrorText(code);
  WriteLn(StdErr, what, ': $', HexStr(UInt32(code), 8), ' ', text);
end;

{ Runs the thread's messages until the view is ready, start-up failed or
  the time is up. }
function WaitForView(const state: THostState): Boolean;
var
  start: DWORD;
  message: TMsg;
begin
  start := GetTickCount;
  while (ZgeIsViewReady = 0) and not state.StartFailed do
  begin
    if GetTickCount - start >= ViewTimeoutMs then
      Break;
    MsgWaitForMultipleObjects(0, nil, False, 50, QS_ALLINPUT);
    while PeekMessageW(message, 0, 0, 0, PM_REMOVE) do
    begin
      TranslateMessage(message);
      DispatchMessageW(message);
    end;
  end;
  Result := ZgeIsViewReady <> 0;
end;

function CreateHostWindow: HWND;
var
  windowClass: TWndClassW;
begin
  Result := 0;
  FillChar(windowClass, SizeOf(windowClass), 0);
  windowClass.lpfnWndProc := @DefWindowProcW;
  windowClass.hInstance := GetModuleHandleW(nil);
  windowClass.lpszClassName := 'ZelkanGEPascalHost';
  windowClass.hCursor := LoadCursor(0, IDC_ARROW);
  if RegisterClassW(windowClass) = 0 then
    Exit;
  Result := CreateWindowExW(0, windowClass.lpszClassName, 'ZelkanGE Pascal host',
    WS_OVERLAPPEDWINDOW or WS_VISIBLE, Integer(CW_USEDEFAULT), Integer(CW_USEDEFAULT), 800, 600,
    0, 0, windowClass.hInstance, nil);
end;

var
  state: THostState;
  window: HWND;
  version: UInt32;
  points: array[0..2] of TPointGE;
  route: TListGE;
  features: PZgeStringList;
  i: Integer;
  ok: Boolean;
begin
  version := ZgeVersion;
  WriteLn('ZelkanGE ', version shr 24, '.', (version shr 16) and $FF, '.', version and $FFFF);
  if version < ZgeMakeVersion(0, 1, 0) then
  begin
    WriteLn(StdErr, 'this host needs ZelkanGE 0.1.0 or later');
    Halt(1);
  end;

  state.LoadedCalls := 0;
  state.StartFailed := False;
  window := CreateHostWindow;
  if window = 0 then
  begin
    WriteLn(StdErr, 'no window: error ', GetLastError);
    Halt(1);
  end;
  if LoadGE(window, OnLoaded, @state) = 0 then
  begin
    PrintLastError('LoadGE');
    Halt(1);
  end;
  if not WaitForView(state) then
  begin
    PrintLastError('the view did not become ready');
    CloseGE;
    Halt(1);
  end;
  WriteLn('view ready after ', state.LoadedCalls, ' loaded callback(s)');

  LoadWaypoint('Harbour', 'Where the voyage starts', nil, 54.3233, 10.1394);

  { The host owns the points and their texts; LoadRoute only reads them. }
  points[0].Name := 'Kiel';
  points[0].Description := 'Start';
  points[0].Icon := nil;
  points[0].Latitude := 54.3233;
  points[0].Longitude := 10.1394;
  points[1].Name := 'Fehmarn Belt';
  points[1].Description := nil;
  points[1].Icon := nil;
  points[1].Latitude := 54.56;
  points[1].Longitude := 11.23;
  points[2].Name := 'Copenhagen';
  points[2].Description := 'Finish';
  points[2].Icon := nil;
  points[2].Latitude := 55.6761;
  points[2].Longitude := 12.5683;
  route.Count := Length(points);
  route.Points := @points[0];
  LoadRoute(@route, 'Passage', 'Kiel to Copenhagen', 0);

  { The list stays live until CloseGE; the host copies what it keeps. }
  features := FeatureList;
  WriteLn(ZgeStringListCount(features), ' features:');
  for i := 0 to ZgeStringListCount(features) - 1 do
    WriteLn('  ', ZgeListItem(features, i));
  ok := (FeatureCount = 2) and (ZgeListItem(features, 0) = 'Harbour') and
    (ZgeListItem(features, 1) = 'Passage');
  if not ok then
    PrintLastError('expected Harbour and Passage in the feature list');

  CloseGE;
  DestroyWindow(window);
  if not ok then
    Halt(1);
end.
