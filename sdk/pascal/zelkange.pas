{
  ZelkanGE for Delphi and Free Pascal: the import unit of ZelkanGE.dll.

  The declarations follow include/zelkange.h, which documents every
  function (docs/reference.md in the SDK); the comments here give what a
  Pascal caller must know beyond that.

  Rules of the whole interface:
  - Call every function on the thread that owns the parent window given to
    LoadGE, and keep that thread's message loop running (Application.Run, or
    Application.ProcessMessages while waiting): start-up and the loaded
    callback arrive as window messages.
  - No function raises an exception. A failed call records its error for the
    calling thread (ZgeGetLastError) and returns 0, False, nil or leaves its
    outputs untouched.
  - Ownership: strings and records passed in belong to the caller and are
    only read during the call. Lists returned (FeatureList, ZgeLayerList)
    belong to the DLL: read them while the panel lives, never free them, and
    copy what you keep. Bitmaps handed out by GetImageGE and ZgeGetEarthImage
    become the caller's (DeleteObject). The IDispatch of ZgeGetApplicationGE
    carries a reference for the caller (see there).
  - Text: PAnsiChar parameters are in the system's ANSI code page, PWideChar
    parameters are UTF-16. Pass PAnsiChar(AnsiString(s)) and PWideChar(s) for
    a Delphi 2009+ string s, or an AnsiString in Free Pascal; nil reads
    as empty text.
  - ZgeBool is one byte: 0 is false, anything else true. Compare with 0,
    never with 1 or True.
  - stdcall is the convention on 32-bit Windows; on 64-bit Windows Delphi and
    Free Pascal ignore it and use the platform's only convention, as the
    DLL does.
}
unit zelkange;

{$ifdef FPC}
  {$mode delphi}
  {$packrecords c}
{$else}
  {$ALIGN 8}
  {$MINENUMSIZE 4}
{$endif}

interface

uses
  Windows;

const
  ZelkanGEDll = 'ZelkanGE.dll';

type
  ZgeBool = Byte;
  PZgeBool = ^ZgeBool;

  { Called on the user-interface thread with isLoaded <> 0 after every
    start-up tick with a Google Earth connection, and once with 0 when
    start-up failed (ZgeGetLastError says why). }
  TZgeLoadedProc = procedure(context: Pointer; isLoaded: ZgeBool); stdcall;
  { Called each time a start-up tick finds Google Earth's main window. }
  TZgeInitProc = procedure(context: Pointer); stdcall;

  { A route point. Owned by the caller; LoadRoute only reads it. }
  PPointGE = ^TPointGE;
  TPointGE = record
    Name: PAnsiChar;
    Description: PAnsiChar;
    Icon: PAnsiChar;
    Latitude: Double;
    Longitude: Double;
  end;

  { A route: Count points in route order at Points (an array the caller
    owns, for instance @MyPoints[0] of an array of TPointGE). }
  PListGE = ^TListGE;
  TListGE = record
    Count: Int32;
    Points: PPointGE;
  end;

  { A WM_MOUSEWHEEL as the host's window procedure received it. }
  PZgeMessage = ^TZgeMessage;
  TZgeMessage = record
    Msg: UINT;
    WParam: WPARAM;
    LParam: LPARAM;
    Result: LRESULT;
  end;

  { The ground under a pixel of the panel: Missed <> 0 when there is none. }
  PMousePosGE = ^TMousePosGE;
  TMousePosGE = record
    Missed: ZgeBool;
    Longitude: Double;
    Latitude: Double;
    Altitude: Double;
  end;

  { An opaque, read-only list owned by the DLL (FeatureList, ZgeLayerList).
    Valid while its panel lives; after CloseGE it reads as empty. }
  PZgeStringList = type Pointer;

{ ---- The exported functions, in the order of the export list ---- }

function LoadGE(parent: HWND; onLoaded: TZgeLoadedProc; context: Pointer): ZgeBool; stdcall;
  external ZelkanGEDll;
procedure SetOnLoadedGE(onLoaded: TZgeLoadedProc; context: Pointer); stdcall; external ZelkanGEDll;
procedure SetShutDownGE(shutDown: ZgeBool); stdcall; external ZelkanGEDll;
procedure CloseGE; stdcall; external ZelkanGEDll;
function OnMouseWheelM(message: PZgeMessage): ZgeBool; stdcall; external ZelkanGEDll;
function OnMouseWheelW(wheelDelta: Int32): ZgeBool; stdcall; external ZelkanGEDll;
procedure SynchronizeView(extent, latitude, longitude, rotation: Double); stdcall;
  external ZelkanGEDll;
procedure LoadWaypoint(name, description, icon: PAnsiChar; latitude, longitude: Double); stdcall;
  external ZelkanGEDll;
procedure LoadLiveGPS(name, description, icon: PAnsiChar; latitude, longitude: Double;
  heading: Int32); stdcall; external ZelkanGEDll;
procedure HideWaypoint(documentName, placemarkName: PWideChar); stdcall; external ZelkanGEDll;
{ color is $00BBGGRR; 0 selects the default. }
procedure LoadRoute(list: PListGE; name, description: PWideChar; color: UInt32); stdcall;
  external ZelkanGEDll;
procedure LoadTrackLeg(name, icon: PWideChar; fromLatitude, fromLongitude, toLatitude,
  toLongitude: Double; color: UInt32; index, heading: Int32; visible: ZgeBool); stdcall;
  external ZelkanGEDll;
function FeatureCount: Int32; stdcall; external ZelkanGEDll;
{ The live feature list, owned by the DLL; nil without a panel. }
function FeatureList: PZgeStringList; stdcall; external ZelkanGEDll;
function SaveFeature(directory: PAnsiChar; index: Int32): ZgeBool; stdcall; external ZelkanGEDll;
procedure SaveFeaturesKML; stdcall; external ZelkanGEDll;
procedure LoadKMLData(kmlData: PWideChar); stdcall; external ZelkanGEDll;
procedure OpenKMLFile(fileName: PWideChar); stdcall; external ZelkanGEDll;
procedure OpenFeaturesKML; stdcall; external ZelkanGEDll;
function CameraPoint(out latitude, longitude, azimuth: Double): Int32; stdcall;
  external ZelkanGEDll;
{ Bounds not reported keep what the caller put in: initialise them. }
function ViewBox(var north, south, west, east: Double): Int32; stdcall; external ZelkanGEDll;
procedure GEPanelXYtoLatLon(x, y: Int32; var latitude, longitude: Double); stdcall;
  external ZelkanGEDll;
{ Owned by the panel: do not release it; invalid after CloseGE. }
function CanvasGE: HDC; stdcall; external ZelkanGEDll;
{ Replaces bitmap with a new one and deletes the old; the caller deletes the
  last one with DeleteObject. Pass 0 the first time. }
procedure GetImageGE(var bitmap: HBITMAP); stdcall; external ZelkanGEDll;
procedure SaveImageGE(fileName: PWideChar); stdcall; external ZelkanGEDll;
procedure HideAllLoadedKML; stdcall; external ZelkanGEDll;
procedure ShowAllLoadedKML; stdcall; external ZelkanGEDll;
procedure SetFeatureVisibility(featureName: PWideChar; visible: ZgeBool); stdcall;
  external ZelkanGEDll;
procedure SetRotation(rotation: Double); stdcall; external ZelkanGEDll;

{ ---- Additional functions ---- }

{ Copies at most bufferSize bytes (terminating zero included) of the
  calling thread's last error text; returns the text's full length. }
function ZgeGetLastError(code: PInt32; buffer: PAnsiChar; bufferSize: Int32): Int32; stdcall;
  external ZelkanGEDll;
procedure ZgeClearLastError; stdcall; external ZelkanGEDll;
function ZgeIsViewReady: ZgeBool; stdcall; external ZelkanGEDll;
procedure ZgeRestoreGoogleEarth; stdcall; external ZelkanGEDll;
function ZgeGetMajor: Int32; stdcall; external ZelkanGEDll;
function ZgeGetMinor: Int32; stdcall; external ZelkanGEDll;
function ZgeGetBuild: Int32; stdcall; external ZelkanGEDll;
function ZgeGetApplicationType: Int32; stdcall; external ZelkanGEDll;
{ Google Earth's IApplicationGE as an IDispatch pointer with a reference
  added for the caller, or nil. Declared as Pointer because Pascal returns
  interfaces through a hidden parameter, not as C does. Take it over without
  a second reference:
    var app: IDispatch; ... Pointer(app) := ZgeGetApplicationGE;
  and the reference goes when app does. }
function ZgeGetApplicationGE: Pointer; stdcall; external ZelkanGEDll;
procedure ZgeSetLayer(name: PAnsiChar; visibility: Int32); stdcall; external ZelkanGEDll;
procedure ZgeReadRegistry; stdcall; external ZelkanGEDll;
function ZgeLayerList: PZgeStringList; stdcall; external ZelkanGEDll;
procedure ZgeSetOnInit(onInit: TZgeInitProc; context: Pointer); stdcall; external ZelkanGEDll;
function ZgeMousePos(x, y: Int32; position: PMousePosGE): ZgeBool; stdcall; external ZelkanGEDll;
function ZgeGetEarthImage(var bitmap: HBITMAP): ZgeBool; stdcall; external ZelkanGEDll;
function ZgeSaveKMLToFile(fileName: PAnsiChar): ZgeBool; stdcall; external ZelkanGEDll;
procedure ZgeGoGoogle; stdcall; external ZelkanGEDll;
function ZgeStringListCount(list: PZgeStringList): Int32; stdcall; external ZelkanGEDll;
{ Copies entry index (from 0) like ZgeGetLastError; -1 when out of range. }
function ZgeStringListItem(list: PZgeStringList; index: Int32; buffer: PAnsiChar;
  bufferSize: Int32): Int32; stdcall; external ZelkanGEDll;
function ZgeStringListNumber(list: PZgeStringList; index: Int32): Int32; stdcall;
  external ZelkanGEDll;
{ Major in bits 24-31, minor in 16-23, patch in 0-15; see ZgeMakeVersion. }
function ZgeVersion: UInt32; stdcall; external ZelkanGEDll;

{ ---- Helpers of this unit (no DLL functions) ---- }

{ ZGE_MAKE_VERSION of the header: compare ZgeVersion against it. }
function ZgeMakeVersion(major, minor, patch: UInt32): UInt32;
{ Entry index of a list as a string ('' when out of range). }
function ZgeListItem(list: PZgeStringList; index: Int32): AnsiString;
{ The calling thread's last error as text, with its code. }
function ZgeLastErrorText(out code: Int32): AnsiString;

implementation

function ZgeMakeVersion(major, minor, patch: UInt32): UInt32;
begin
  Result := (major shl 24) or (minor shl 16) or patch;
end;

function ZgeListItem(list: PZgeStringList; index: Int32): AnsiString;
var
  length: Int32;
begin
  Result := '';
  length := ZgeStringListItem(list, index, nil, 0);
  if length <= 0 then
    Exit;
  SetLength(Result, length);
  { The DLL writes length bytes and a terminating zero, which the string's
    own terminator takes. }
  ZgeStringListItem(list, index, PAnsiChar(Result), length + 1);
end;

function ZgeLastErrorText(out code: Int32): AnsiString;
var
  length: Int32;
begin
  Result := '';
  code := 0;
  length := ZgeGetLastError(@code, nil, 0);
  if length <= 0 then
    Exit;
  SetLength(Result, length);
  ZgeGetLastError(@code, PAnsiChar(Result), length + 1);
end;

end.
