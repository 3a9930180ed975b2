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
 * No panel: every function except LoadGE, ZgeVersion and the Zge*LastError
 * functions does nothing without a panel and returns its neutral result.
 *
 * Calls from inside calls: while the DLL waits for Google Earth (a COM call
 * into its process, or starting it), the thread's messages still run, so a
 * host's timer or posted message may call a function in the middle of
 * another function or of the panel's start-up or destruction. The rule:
 * - such a call works on the panel as usual;
 * - CloseGE (or destroying the parent window) detaches the panel at once:
 *   from then on functions find no panel. The panel itself is destroyed
 *   when the running call returns;
 * - LoadGE is refused: it returns 0 and records E_ILLEGAL_METHOD_CALL
 *   (0x8000000E), "called from inside another ZelkanGE call". Call it
 *   again once the running call has returned;
 * - functions called during the panel's destruction find no panel.
 * The loaded and init callbacks are the host's own code, not inside a
 * call: LoadGE and CloseGE work there at once.
 *
 * A busy or hung Google Earth: a function that needs Google Earth waits
 * for its answer, and COM sets that wait no limit: a Google Earth that
 * hangs for a minute holds the call, and the host's thread, for that
 * minute. The package installs no message filter (CoRegisterMessageFilter
 * is the host's) and leaves the wait to COM's default rules. Under them
 * (measured under Wine) the host's windows keep repainting (WM_PAINT is
 * dispatched) and messages sent to them from other threads run, and may
 * call functions as described above; WM_TIMER, posted messages and input
 * wait until the call returns, so a host's GPS timer pauses meanwhile.
 * A Google Earth that ends (a crash, or killed): the next call into it
 * fails at once and records the error (for instance 0x800706BA, the
 * server is unavailable); the panel stays, CloseGE completes, deletes the
 * temporary files and restores the locale, and a later LoadGE starts a
 * new Google Earth.
 *
 * Unloading: a panel keeps the DLL loaded. Call CloseGE before FreeLibrary;
 * the DLL then unloads with the host's last reference. A host that frees
 * the DLL with a panel alive keeps it loaded until the panel goes and the
 * host calls LoadGE or CloseGE again (or the process ends).
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
 * The ground under a pixel of the panel (ZgeMousePos). `Missed` is 1 when
 * no ground lies under it (the position is off the globe, or there is no
 * Google Earth connection); the other fields are then 0.
 */
typedef struct TMousePosGE {
  ZgeBool Missed;
  double Longitude;
  double Latitude;
  double Altitude; /* metres, as Google Earth reports the terrain there */
} TMousePosGE;

/*
 * The panel's feature list (FeatureList): an opaque, read-only view of the
 * live list. It always shows the current entries while its panel lives.
 * Once the panel has gone (CloseGE, or the host destroyed the parent
 * window), a list kept from it never reaches freed memory: it reads as
 * empty (count 0, no entries), or as the list of a later panel that took
 * its place. Read it with ZgeStringListCount and
 * ZgeStringListItem. The same holds for ZgeLayerList.
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
/*
 * Mouse wheel. Forward the host's WM_MOUSEWHEEL here. Returns 1 when the
 * mouse cursor (its real position now) is over the panel, the right and
 * bottom edge included, and then zooms by one step whatever the amount:
 * an amount of 60 or more zooms in (range / 1.2), anything less, 0 and
 * every negative amount included, zooms out (range * 1.2). Returns 0 and
 * does nothing when the cursor is elsewhere. Before the view is embedded
 * the result still tells where the cursor is, and the camera does not
 * move. OnMouseWheelM reads only the high word of the low 32 bits of
 * WParam, as a signed number; the host's record is not changed.
 */
ZGE_API ZgeBool ZGE_CALL OnMouseWheelM(ZgeMessage* message) ZGE_NOEXCEPT;
ZGE_API ZgeBool ZGE_CALL OnMouseWheelW(int32_t wheelDelta) ZGE_NOEXCEPT;
/*
 * Moves the camera to the host's chart view in one step: range = extent
 * (metres) * 0.85, looking at (latitude, longitude), heading `rotation`
 * degrees, keeping the current tilt when it lies within 0..90 (otherwise
 * straight down), at Google Earth's flying speed 3.0. A range above
 * 12739868.92 or below 100, or a NaN extent, latitude or longitude, shows
 * the whole globe instead (range 12739868.92 over 0, 0, heading 0, tilt 0).
 * Does nothing before the view is embedded; a move Google Earth refuses
 * leaves the view where it was and is not reported.
 */
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
/*
 * Copies the temporary KML file of FeatureList entry `index` (from 0) into
 * `directory` as entry + ".kml", creating the folder and its parents when
 * missing. A backslash is put between directory and name when the directory
 * does not end in one ("C:\Out" and "C:\Out\" both give
 * C:\Out\name.kml). An existing file of that name is replaced without a
 * question, but only by a complete copy: when the copy fails it is left as
 * it was. The directory is remembered as given (NULL as empty text), also
 * when nothing is saved, and SaveFeaturesKML offers it next time.
 * Returns 1 when the file was saved. Returns 0 and records why when it was
 * not: E_INVALIDARG for an index outside the list or an empty directory
 * (nothing is created), the system's error when the folder cannot be
 * created, and the system's error with the file's name when the copy fails
 * (for instance when the temporary file is gone or the target is
 * read-only).
 */
ZGE_API ZgeBool ZGE_CALL SaveFeature(const char* directory, int32_t index) ZGE_NOEXCEPT;
/*
 * The modal "Save KML Files" dialog, owned by the top-level window that
 * holds the panel (disabled while it is shown): one unchecked row per
 * FeatureList entry, and the directory last given to SaveFeature, which the
 * user changes only through the folder button. OK saves each checked row as
 * SaveFeature does, in order, shows an error box for each row that failed
 * ("Cannot create output directory!", or the file's name and the reason)
 * and closes. OK with no row checked or no directory shows why and keeps
 * the dialog open; Cancel and the close box save nothing. Does nothing
 * without features. Runs its modal loop on the calling thread, which must
 * be the host's user-interface thread, and returns when the dialog closes;
 * the host's other windows and timers keep receiving messages meanwhile.
 */
ZGE_API void ZGE_CALL SaveFeaturesKML(void) ZGE_NOEXCEPT;
/* Hands KML text to Google Earth (not listed in FeatureList). */
ZGE_API void ZGE_CALL LoadKMLData(const wchar_t* kmlData) ZGE_NOEXCEPT;
/* Google Earth opens the KML or KMZ file and reports its own problems. */
ZGE_API void ZGE_CALL OpenKMLFile(const wchar_t* fileName) ZGE_NOEXCEPT;
/* The open-file dialog (KML and KMZ, several files at once); the chosen
 * files are opened in the dialog's order. A selection too large for the
 * dialog opens nothing and records HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER). */
ZGE_API void ZGE_CALL OpenFeaturesKML(void) ZGE_NOEXCEPT;
/*
 * Writes the camera's focus latitude, longitude and azimuth (degrees);
 * always returns 0. Before Google Earth is embedded all three are 0. When
 * Google Earth fails a read, the error is recorded (ZgeGetLastError) and
 * the outputs keep their values.
 */
ZGE_API int32_t ZGE_CALL CameraPoint(double* latitude, double* longitude,
                                     double* azimuth) ZGE_NOEXCEPT;
/*
 * Writes the bounds of the visible area in degrees, in this order: north,
 * south, west, east; always returns 0. Bounds Google Earth did not report
 * (the view is not embedded yet, or Google Earth failed; not reported
 * either) keep the values the host put in the outputs.
 */
ZGE_API int32_t ZGE_CALL ViewBox(double* north, double* south, double* west,
                                 double* east) ZGE_NOEXCEPT;
/*
 * The ground under pixel (x, y) of the panel's client area (0, 0 at its
 * top left; positions outside the panel are asked for as they are). When
 * no ground lies there, or the panel has no area, the outputs keep their
 * values: use ZgeMousePos to tell a miss. Google Earth's failure is
 * recorded and leaves the outputs alone.
 */
ZGE_API void ZGE_CALL GEPanelXYtoLatLon(int32_t x, int32_t y, double* latitude,
                                        double* longitude) ZGE_NOEXCEPT;
/*
 * The panel's drawing surface: a device context of the panel's window,
 * owned by the panel (its window class has its own DC). Valid while the
 * panel lives: CloseGE, or the host destroying the parent window, ends it,
 * and GDI calls with the old handle then fail. Ask again after a new
 * LoadGE; do not release it.
 */
ZGE_API HDC ZGE_CALL CanvasGE(void) ZGE_NOEXCEPT;
/*
 * Copies what the panel's window shows now into the host's bitmap, pixel
 * for pixel. `*bitmap` is the host's bitmap handle (NULL allowed): the
 * package replaces it with a new 32-bit bitmap of the panel's size and
 * deletes the one it held (which must not be selected into a DC). The host
 * deletes the final bitmap with DeleteObject. On failure *bitmap is left
 * as it was. Works before Google Earth is embedded (the panel is black).
 *
 * Which picture to use: a copy of a window area that another process
 * renders with the GPU often comes out black on Windows, and under Wine
 * the embedded view never shows in a copy at all. GetImageGE is right for
 * what the user sees of the panel; ZgeGetEarthImage always gets the view
 * itself, from Google Earth.
 */
ZGE_API void ZGE_CALL GetImageGE(HBITMAP* bitmap) ZGE_NOEXCEPT;
/*
 * Google Earth writes a picture of the view to `fileName` (quality 100;
 * the format is Google Earth's: the stand-in writes PNG for a name ending
 * in .png, JPEG otherwise). Does nothing before the view is embedded; a
 * failure is not reported: look for the file.
 */
ZGE_API void ZGE_CALL SaveImageGE(const wchar_t* fileName) ZGE_NOEXCEPT;
/* Hide or show every feature directly inside Google Earth's temporary
 * places; deeper features keep their own visibility. */
ZGE_API void ZGE_CALL HideAllLoadedKML(void) ZGE_NOEXCEPT;
ZGE_API void ZGE_CALL ShowAllLoadedKML(void) ZGE_NOEXCEPT;
/* Shows or hides the feature Google Earth finds by that name; an unknown
 * name changes nothing and is not an error. */
ZGE_API void ZGE_CALL SetFeatureVisibility(const wchar_t* featureName,
                                           ZgeBool visible) ZGE_NOEXCEPT;
/*
 * Turns the view to heading `rotation` (degrees), keeping everything else.
 * A rotation within 0.0001 of 0 (north up) is not sent at all: the camera
 * keeps the heading it has. Does nothing before the view is embedded.
 */
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
/*
 * The ground under pixel (x, y) of the panel as GEPanelXYtoLatLon finds it,
 * with what that function cannot tell: whether there is ground there at
 * all, and its altitude. Returns 1 when there is; 0 with position->Missed
 * 1 when there is not (off the globe, no Google Earth connection, a panel
 * without area). Without a panel, or on a recorded failure, returns 0 and
 * leaves *position alone.
 */
ZGE_API ZgeBool ZGE_CALL ZgeMousePos(int32_t x, int32_t y, TMousePosGE* position) ZGE_NOEXCEPT;
/*
 * Fills the host's bitmap with Google Earth's own picture of the view
 * (SaveScreenShot into a temporary file, read back and scaled to the
 * panel's size), handled like GetImageGE's bitmap. Returns 1 when done; 0
 * with the error recorded when the view is not embedded yet
 * (HRESULT_FROM_WIN32(ERROR_NOT_READY)) or Google Earth or the file failed;
 * *bitmap is then left as it was.
 */
ZGE_API ZgeBool ZGE_CALL ZgeGetEarthImage(HBITMAP* bitmap) ZGE_NOEXCEPT;
/*
 * Writes the view placemark: a small KML file with a placemark at the
 * view's focus point and a LookAt of its latitude, longitude, range and
 * tilt (not its heading), which Google Earth opens to return to that view.
 * 30 lines ended by CR LF, single-byte, no byte-order mark; numbers with a
 * decimal point whatever the locale, latitude and longitude to four
 * decimals (".5" for 0.5, empty for 0). An existing file is replaced only
 * once the new one is complete: a failure leaves it as it was. Returns 1
 * when written; 0 before Google Earth is embedded (nothing recorded) and
 * on a recorded failure (Google Earth's or the file's).
 */
ZGE_API ZgeBool ZGE_CALL ZgeSaveKMLToFile(const char* fileName) ZGE_NOEXCEPT;
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

/*
 * The version of this DLL, the same as its version resource: major in bits
 * 24-31, minor in bits 16-23, patch in bits 0-15, so that versions compare
 * as numbers. Works without a panel and never fails. A host that needs a
 * later function than it finds checks
 * ZgeVersion() >= ZGE_MAKE_VERSION(major, minor, patch) before using it.
 */
#define ZGE_MAKE_VERSION(major, minor, patch) \
  (((uint32_t)(major) << 24) | ((uint32_t)(minor) << 16) | (uint32_t)(patch))
ZGE_API uint32_t ZGE_CALL ZgeVersion(void) ZGE_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif /* ZELKANGE_H */
