#!/usr/bin/env python3
"""Writes the seed inputs of zge_export_fuzz into fuzz/corpus-exports/.

The target reads its input through libFuzzer's FuzzedDataProvider, which
takes numbers from the end of the input and texts from the front; Seed
keeps the two streams apart and joins them the way the provider reads them.
The step numbers follow the Op enumeration of exports/operations.h.
"""
import pathlib
import sys

# The exports in the export table's order, then the steps that are not
# exports, as exports/operations.h numbers them.
sys.dont_write_bytecode = True
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "tools"))
import exports  # noqa: E402

TABLE = pathlib.Path(__file__).resolve().parent.parent / "src" / "dll" / "exports.table"
EVENTS = """Tick Wake HostDestroysPanelWindow Resize Focus ArmFault EarthDies EarthRestarts
CallWhileWaiting CameraSetters EarthAnswersNull EarthWindowsChange EarthGainsFeature
HostWindowChanges""".split()
OPS = [e.name for e in exports.ReadTable(TABLE)] + EVENTS
OP = {name: number for number, name in enumerate(OPS)}
LAST_OP = len(OPS) - 1
FAULT_TARGETS = """earth registry files desktop window timer process ole dialogs Connect
GetMainHwnd GetRenderHwnd IsInitialized GetCamera SetCameraParams LoadKmlData OpenKmlFile
GetFeatureByName SaveScreenShot SetParent SetWindowPos MoveWindow SetWindowText WriteFile
DeleteFile CreateDirectory OpenKey WriteString DeleteValue SetTimer""".split()
EDGE_NUMBERS = ["0", "-0", "nan", "inf", "-inf", "max", "lowest", "denorm", "90", "-180",
                   "1e9", "35.9"]


class Seed:
    def __init__(self, locale=1):
        self.front = bytearray()
        self.back = []  # in the order the provider reads them
        self.ranged(locale, 0, 3)

    def ranged(self, value, low, high):
        span, offset = high - low, value - low
        count = 0
        while count < 8 and (span >> (8 * count)) > 0:
            count += 1
        for shift in reversed(range(count)):
            self.back.append((offset >> (8 * shift)) & 0xFF)
        return self

    def op(self, name):
        return self.ranged(OP[name], 0, LAST_OP)

    def flag(self, value):
        return self.ranged(1 if value else 0, 0, 1)

    def text(self, value):
        self.front += value.replace(b"\\", b"\\\\") + b"\\\n"
        return self

    def wide(self, value):
        return self.text(value.encode("utf-16-le", "surrogatepass"))

    def number(self, edge):
        return self.flag(True).ranged(EDGE_NUMBERS.index(edge), 0, len(EDGE_NUMBERS) - 1)

    def int32(self, value):
        return self.flag(False).ranged(value + 2**31, 0, 2**32 - 1)

    def given(self, count=1):
        """Every pointer of a call with `count` pointers given (none NULL)."""
        return self.ranged(0, 0, count)

    def load(self, callback=1, reaction=None):
        self.op("LoadGE").ranged(callback, 0, 3)
        if callback >= 2:
            self.op(reaction)
        return self

    def embed(self, callback=1, reaction=None):
        return self.load(callback, reaction).op("Tick").op("Tick")

    def fault(self, target, nth, code_index=0):
        return (self.op("ArmFault").ranged(FAULT_TARGETS.index(target), 0, len(FAULT_TARGETS) - 1)
                .ranged(nth, 1, 12).ranged(code_index, 0, 6))

    def waypoint(self, name, latitude="35.9", longitude="90"):
        return (self.op("LoadWaypoint").text(name).text(b"a mark").text(b"")
                .number(latitude).number(longitude))

    def route(self, name, points):
        self.op("LoadRoute").ranged(len(points), 0, 6)
        for point in points:
            self.text(point).text(b"").text(b"")
        for _ in points:
            self.number("35.9").number("-180")
        return self.wide(name).wide("").ranged(0xFF0000FF, 0, 0xFFFFFFFF).given(3)

    def while_waiting(self, countdown, reaction):
        return self.op("CallWhileWaiting").ranged(countdown, 1, 16).op(reaction)

    def bytes(self):
        return bytes(self.front) + bytes(reversed(self.back))


SEEDS = {
    # A voyage: marks, a route, a live position, the camera, saving, closing.
    "voyage": Seed().embed().waypoint(b"Buoy").route("Leg 1", [b"A", b"B", b"C"])
    .op("LoadLiveGPS").text(b"Boat").text(b"").text(b"").number("35.9").number("90").int32(45)
    .op("CameraPoint").given(3).op("ViewBox").given(4).op("SetRotation").number("90")
    .op("SaveFeature").flag(True).int32(0).op("SaveFeaturesKML").flag(True).flag(True)
    .op("Tick").flag(False).op("FeatureCount").op("CloseGE"),
    # Bad input: NaN and infinite positions, non-UTF-8 and device names.
    "bad-input": Seed(2).embed().waypoint(b"\xff\xfe\xc0", "nan", "inf")
    .waypoint(b"CON", "-inf", "max").waypoint(b"a\\b:c", "denorm", "lowest")
    .op("SynchronizeView").number("nan").number("inf").number("-0").number("1e9")
    .op("ZgeMousePos").int32(-2**31).int32(2**31 - 1).given()
    .op("HideWaypoint").wide("\ud800").wide("")
    .op("ZgeSaveKMLToFile").text(b"").given().op("CloseGE"),
    # The host's calls while the package waits for Google Earth.
    "reentrant-close": Seed().embed().while_waiting(1, "CloseGE").waypoint(b"Mark")
    .while_waiting(2, "HostDestroysPanelWindow").embed().route("R", [b"P"]).op("LoadGE")
    .ranged(0, 0, 3),
    "reentrant-load": Seed().while_waiting(1, "LoadGE").load(2, "CloseGE").op("Tick")
    .ranged(0, 0, 3).op("Tick").embed(3, "LoadGE").ranged(0, 0, 3),
    # Google Earth dies mid-session and comes back.
    "earth-dies": Seed().embed().waypoint(b"Before").op("EarthDies").waypoint(b"During")
    .op("CameraPoint").given(3).op("ZgeGetEarthImage").given().op("Tick").op("CloseGE")
    .op("EarthRestarts").embed()
    .op("CloseGE"),
    # Faults at the registry, files, windows and timers.
    "faults": Seed().fault("registry", 2).load().fault("WriteFile", 1).op("Tick").op("Tick")
    .waypoint(b"Unsaved").fault("DeleteFile", 1).fault("SetParent", 1)
    .op("HostDestroysPanelWindow").fault("timer", 1).load().fault("OpenKey", 1).op("CloseGE"),
    "earth-faults": Seed(3).fault("earth", 3, 1).embed().fault("GetCamera", 1)
    .op("CameraPoint").given(3).fault("Connect", 1, 2).op("ZgeRestoreGoogleEarth")
    .op("ZgeGetMajor").op("ZgeGetEarthImage").given().op("CloseGE"),
}


def main():
    folder = pathlib.Path(__file__).resolve().parent / "corpus-exports"
    folder.mkdir(exist_ok=True)
    for name, seed in SEEDS.items():
        (folder / name).write_bytes(seed.bytes())


if __name__ == "__main__":
    main()
