/*
 * ZelkanGE: a live Google Earth view inside a panel of the host's window.
 *
 * The host loads ZelkanGE.dll and calls the functions below. They all act on
 * one global panel, created by LoadGE and destroyed by CloseGE.
 *
 * Threading: call every function on the host's user-interface thread, the
 * thread that owns the parent window given to LoadGE. That thread must run a
 * message loop: the panel's start-up timer and window messages arrive
 * through it, and the loaded callback is called from it.
 *
 * Errors: no function raises an exception or a structured exception into
 * the host. A function that fails records the error for the calling thread
 * (ZgeGetLastError) and returns its neutral result: 0, false, NULL, outputs
 * untouched. The panel stays usable after any error. Successful calls do not
 * clear the last error; ZgeClearLastError does.
 *
 * No panel: every function except LoadGE and the Zge*LastError functions
 * does nothing without a panel and returns its neutral result.
 *
 * Strings: "char" text is in the system's ANSI code page; "wchar_t" text is
 * UTF-16. Strings passed in are read during the call only; a NULL text of an
 * overlay (name, description, icon) reads as empty text.
 *
 * Overlays (LoadWaypoint, LoadLiveGPS, LoadRoute, LoadTrackLeg) become KML
 * documents that Google Earth loads; they need the panel's connection to
 * Google Earth and do nothing before start-up has made it. Host texts are
 * written as XML text (escaped), so a name is stored exactly as given. Input
 * that no KML can carry loads nothing and records E_INVALIDARG: a coordinate
 * that is NaN or infinite, or a text holding a control character other than
 * tab, line feed and carriage return (or, in UTF-16 text, U+FFFE, U+FFFF or
 * a lone surrogate). Waypoints and routes are also written as temporary KML
 * files, named after the overlay, in the folder "ZelkanGE" under the user's
 * temporary folder; CloseGE deletes them. A name that cannot name a file
 * inside that folder (path separators, a drive or colon, * ? " < > |, a
 * device name such as CON or COM1, or a character the ANSI code page lacks)
 * is still shown in Google Earth but is not saved or listed, and records
 * HRESULT_FROM_WIN32(ERROR_INVALID_NAME).
 *
 * Calling convention: __stdcall (WINAPI) on 32-bit Windows; the functions
 * are exported by these plain, undecorated names.
 */
#ifndef ZELKANGE_H
#define ZELKANGE_H

#include <ole2.h> /* IDispatch */
#include <stdint.h>
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifdef ZELKANGE_BUILDING_DLL
#define ZGE_API __declspec(dllexport)
#else
#define ZGE_API __declspec(dllimport)
#endif
#define ZGE_CALL __stdcall
/* The functions never throw; C++ callers and the DLL itself see that. */
#ifdef __cplusplus
#define ZGE_NOEXCEPT noexcept
#else
#define ZGE_NOEXCEPT
#endif

/* One-byte Boolean: 0 is false, any other value is true. */
typedef uint8_t ZgeBool;

/*
 * The loaded callback: a code pointer plus the context pointer it is called
 * with. A callback counts as given when `code` is not NULL. It is called on
 * the user-interface thread with isLoaded 1 after every start-up tick that
 * had a Google Earth connection (not yet proof that the view is shown: see
 * ZgeIsViewReady), and once with 0 when start-up failed; the thread's last
 * error (ZgeGetLastError) then says why.
 */
typedef void(ZGE_CALL* ZgeLoadedProc)(void* context, ZgeBool isLoaded);

/*
 * A route point (TPointGE). The host owns the point and its strings; the
 * package only reads them during LoadRoute.
 */
typedef struct TPointGE {
  const char* Name;
  const char* Description;
  const char* Icon;
  double Latitude;
  double Longitude;
} TPointGE;

/*
 * A route (TListGE): `Count` points in route order at `Points`. The host
 * owns the array and the points; the package reads them during LoadRoute.
 */
typedef struct TListGE {
  int32_t Count;
  const TPointGE* Points;
} TListGE;

/*
 * The window message record handed to OnMouseWheelM: a WM_MOUSEWHEEL as the
 * host's window procedure received it.
 */
typedef struct ZgeMessage {
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
  LRESULT Result;
} ZgeMessage;

/*
 * The panel's feature list (FeatureList): an opaque, read-only view of the
 * live list. It stays valid until CloseGE and always shows the current
 * entries. Read it with ZgeStringListCount and ZgeStringListItem.
 */
typedef struct ZgeStringList ZgeStringList;

/* ---- The exported functions, in the order of the export list ---------- */

/*
 * Creates the global panel as a child filling `parent` (when there is no
 * panel yet) and starts or attaches Google Earth in it. A second call keeps
 * the panel and its parent and restarts the start-up. `onLoaded` replaces
 * the stored callback only when it is not NULL. Returns 1; 0 when the panel
 * could not be created (see ZgeGetLastError).
 */
ZGE_API ZgeBool ZGE_CALL LoadGE(HWND parent, ZgeLoadedProc onLoaded, void* context) ZGE_NOEXCEPT;
/* Replaces the loaded callback; a NULL `onLoaded` clears it. */
ZGE_API void ZGE_CALL SetOnLoadedGE(ZgeLoadedProc onLoaded, void* context) ZGE_NOEXCEPT;
/* Whether Google Earth's process is ended when the panel goes (default 1). */
ZGE_API void ZGE_CALL SetShutDownGE(ZgeBool shutDown) ZGE_NOEXCEPT;
/*
 * Destroys the panel: the view goes back to Google Earth, which is then
 * ended or left running minimised (SetShutDownGE); temporary files are
 * deleted and Google Earth's locale setting is restored.
 */
ZGE_API void ZGE_CALL CloseGE(void) ZGE_NOEXCEPT;
/* Zoom by a WM_MOUSEWHEEL message; 1 when the cursor was over the panel. */
ZGE_API ZgeBool ZGE_CALL OnMouseWheelM(ZgeMessage* message) ZGE_NOEXCEPT;
/* Zoom by a wheel amount; 1 when the cursor was over the panel. */
ZGE_API ZgeBool ZGE_CALL OnMouseWheelW(int32_t wheelDelta) ZGE_NOEXCEPT;
/* Moves the camera to match the host's chart view (extent in metres). */
ZGE_API void ZGE_CALL SynchronizeView(double extent, double latitude, double longitude,
                                      double rotation) ZGE_NOEXCEPT;
/* Loads a waypoint document named `name` and lists it in FeatureList. */
ZGE_API void ZGE_CALL LoadWaypoint(const char* name, const char* description, const char* icon,
                                   double latitude, double longitude) ZGE_NOEXCEPT;
/* Hides the previous marker of `name` and loads the new position, in a
 * document named "GPS " followed by the name. */
ZGE_API void ZGE_CALL LoadLiveGPS(const char* name, const char* description, const char* icon,
                                  double latitude, double longitude, int32_t heading) ZGE_NOEXCEPT;
/* Hides the first visible placemark `placemarkName` directly inside the
 * document Google Earth finds by `documentName` (exact, case-sensitive). */
ZGE_API void ZGE_CALL HideWaypoint(const wchar_t* documentName,
                                   const wchar_t* placemarkName) ZGE_NOEXCEPT;
/* A line through the points and one placemark per point, in a document named
 * `name`, listed in FeatureList. `color` is 0x00BBGGRR; 0 selects the
 * default (half-transparent yellow). A list without points hands Google
 * Earth empty text, which it refuses. */
ZGE_API void ZGE_CALL LoadRoute(const TListGE* list, const wchar_t* name,
                                const wchar_t* description, uint32_t color) ZGE_NOEXCEPT;
/* One leg of a track, in a document named `name` followed by `index`, with
 * the boat at its end; hides the boat of leg `index` - 1. `color` as for
 * LoadRoute (default opaque green); `visible` applies to the line. */
ZGE_API void ZGE_CALL LoadTrackLeg(const wchar_t* name, const wchar_t* icon, double fromLatitude,
                                   double fromLongitude, double toLatitude, double toLongitude,
                                   uint32_t color, int32_t index, int32_t heading,
                                   ZgeBool visible) ZGE_NOEXCEPT;
ZGE_API int32_t ZGE_CALL FeatureCount(void) ZGE_NOEXCEPT;
/* The live feature list; NULL without a panel. Valid until CloseGE. */
ZGE_API const ZgeStringList* ZGE_CALL FeatureList(void) ZGE_NOEXCEPT;
/* `directory` ends in a backslash; `index` counts from 0. */
ZGE_API ZgeBool ZGE_CALL SaveFeature(const char* directory, int32_t index) ZGE_NOEXCEPT;
ZGE_API void ZGE_CALL SaveFeaturesKML(void) ZGE_NOEXCEPT;
/* Hands KML text to Google Earth (not listed in FeatureList). */
ZGE_API void ZGE_CALL LoadKMLData(const wchar_t* kmlData) ZGE_NOEXCEPT;
/* Google Earth opens the KML or KMZ file and reports its own problems. */
ZGE_API void ZGE_CALL OpenKMLFile(const wchar_t* fileName) ZGE_NOEXCEPT;
/* The open-file dialog (KML and KMZ, several files at once); the chosen
 * files are opened in the dialog's order. A selection too large for the
 * dialog opens nothing and records HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER). */
ZGE_API void ZGE_CALL OpenFeaturesKML(void) ZGE_NOEXCEPT;
/* Writes the camera's latitude, longitude and azimuth; always returns 0. */
ZGE_API int32_t ZGE_CALL CameraPoint(double* latitude, double* longitude,
                                     double* azimuth) ZGE_NOEXCEPT;
/* Writes the bounds of the visible area; always returns 0. */
ZGE_API int32_t ZGE_CALL ViewBox(double* north, double* south, double* west,
                                 double* east) ZGE_NOEXCEPT;
ZGE_API void ZGE_CALL GEPanelXYtoLatLon(int32_t x, int32_t y, double* latitude,
                                        double* longitude) ZGE_NOEXCEPT;
/*
 * The panel's drawing surface: a device context of the panel's window,
 * owned by the panel (its window class has its own DC). Valid until CloseGE;
 * do not release it.
 */
ZGE_API HDC ZGE_CALL CanvasGE(void) ZGE_NOEXCEPT;
/*
 * Copies the panel's picture into the host's bitmap. `*bitmap` is the host's
 * bitmap handle: the package replaces it with a new bitmap of the panel's
 * size and deletes the one it held. The host deletes the final bitmap with
 * DeleteObject.
 */
ZGE_API void ZGE_CALL GetImageGE(HBITMAP* bitmap) ZGE_NOEXCEPT;
/* Google Earth writes a picture of the view to `fileName`. */
ZGE_API void ZGE_CALL SaveImageGE(const wchar_t* fileName) ZGE_NOEXCEPT;
/* Hide or show every feature directly inside Google Earth's temporary
 * places; deeper features keep their own visibility. */
ZGE_API void ZGE_CALL HideAllLoadedKML(void) ZGE_NOEXCEPT;
ZGE_API void ZGE_CALL ShowAllLoadedKML(void) ZGE_NOEXCEPT;
/* Shows or hides the feature Google Earth finds by that name; an unknown
 * name changes nothing and is not an error. */
ZGE_API void ZGE_CALL SetFeatureVisibility(const wchar_t* featureName,
                                           ZgeBool visible) ZGE_NOEXCEPT;
ZGE_API void ZGE_CALL SetRotation(double rotation) ZGE_NOEXCEPT;

/* ---- Additional functions ------------------------------------------------
 * Operations of the panel that the function set above leaves out, and the
 * error and list accessors of this C interface. All follow the same rules.
 */

/* Last error of the calling thread: result code (an HRESULT; 0 when none)
 * and text. Writes at most bufferSize bytes including the terminating zero
 * and returns the full length of the text in bytes, without the zero. */
ZGE_API int32_t ZGE_CALL ZgeGetLastError(int32_t* code, char* buffer,
                                         int32_t bufferSize) ZGE_NOEXCEPT;
ZGE_API void ZGE_CALL ZgeClearLastError(void) ZGE_NOEXCEPT;

/* 1 once Google Earth's view is embedded and ready (FInitialized). */
ZGE_API ZgeBool ZGE_CALL ZgeIsViewReady(void) ZGE_NOEXCEPT;
/* Hands the view back to Google Earth's own main window, shown restored.
 * The panel stays; camera and overlay functions still reach Google Earth. */
ZGE_API void ZGE_CALL ZgeRestoreGoogleEarth(void) ZGE_NOEXCEPT;
/* Google Earth's version and edition (0 without a connection). */
ZGE_API int32_t ZGE_CALL ZgeGetMajor(void) ZGE_NOEXCEPT;
ZGE_API int32_t ZGE_CALL ZgeGetMinor(void) ZGE_NOEXCEPT;
ZGE_API int32_t ZGE_CALL ZgeGetBuild(void) ZGE_NOEXCEPT;
ZGE_API int32_t ZGE_CALL ZgeGetApplicationType(void) ZGE_NOEXCEPT;
/* The IApplicationGE of the connection, as IDispatch with a reference added
 * for the caller (release it); NULL without a connection. */
ZGE_API IDispatch* ZGE_CALL ZgeGetApplicationGE(void) ZGE_NOEXCEPT;
/* Shows (1) or hides (0) the Google Earth layer of that name. */
ZGE_API void ZGE_CALL ZgeSetLayer(const char* name, int32_t visibility) ZGE_NOEXCEPT;
/* Appends Google Earth's layer settings to the panel's layer list. */
ZGE_API void ZGE_CALL ZgeReadRegistry(void) ZGE_NOEXCEPT;
/* The layer list: names, and the DWORD data of each value (0 otherwise). */
ZGE_API const ZgeStringList* ZGE_CALL ZgeLayerList(void) ZGE_NOEXCEPT;
/* Called on the user-interface thread each time a start-up tick finds Google
 * Earth's main window; NULL clears it. */
typedef void(ZGE_CALL* ZgeInitProc)(void* context);
ZGE_API void ZGE_CALL ZgeSetOnInit(ZgeInitProc onInit, void* context) ZGE_NOEXCEPT;
/* Opens Google Earth's product page in the user's browser. */
ZGE_API void ZGE_CALL ZgeGoGoogle(void) ZGE_NOEXCEPT;

/* Entries of a list from FeatureList or ZgeLayerList. A NULL list has 0. */
ZGE_API int32_t ZGE_CALL ZgeStringListCount(const ZgeStringList* list) ZGE_NOEXCEPT;
/* Copies entry `index` (from 0) like ZgeGetLastError copies its text;
 * returns -1 when the index is out of range. */
ZGE_API int32_t ZGE_CALL ZgeStringListItem(const ZgeStringList* list, int32_t index, char* buffer,
                                           int32_t bufferSize) ZGE_NOEXCEPT;
/* The number attached to entry `index` (the layer value's DWORD data). */
ZGE_API int32_t ZGE_CALL ZgeStringListNumber(const ZgeStringList* list, int32_t index) ZGE_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif /* ZELKANGE_H */
