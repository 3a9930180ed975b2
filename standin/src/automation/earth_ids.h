// EARTHLib's identities and DISPIDs, as docs/automation-api.md gives them.
#pragma once

#include <windows.h>

#include <oaidl.h>

namespace standin::ids {

// {8097D7E9-DB9E-4AEF-9B28-61D82A1DF784}
inline constexpr CLSID kApplicationGE = {
    0x8097D7E9, 0xDB9E, 0x4AEF, {0x9B, 0x28, 0x61, 0xD8, 0x2A, 0x1D, 0xF7, 0x84}};
inline constexpr wchar_t kApplicationGEString[] = L"{8097D7E9-DB9E-4AEF-9B28-61D82A1DF784}";
inline constexpr wchar_t kProgId[] = L"GoogleEarth.ApplicationGE";

// {2830837B-D4E8-48C6-B6EE-04633372ABE4}
inline constexpr IID kIApplicationGE = {
    0x2830837B, 0xD4E8, 0x48C6, {0xB6, 0xEE, 0x04, 0x63, 0x33, 0x72, 0xAB, 0xE4}};
// {08D46BCD-AF56-4175-999E-6DDC3771C64E}
inline constexpr IID kICameraInfoGE = {
    0x08D46BCD, 0xAF56, 0x4175, {0x99, 0x9E, 0x6D, 0xDC, 0x37, 0x71, 0xC6, 0x4E}};
// {865AB2C1-38C5-492B-8B71-AC73F5A7A43D}
inline constexpr IID kIViewExtentsGE = {
    0x865AB2C1, 0x38C5, 0x492B, {0x8B, 0x71, 0xAC, 0x73, 0xF5, 0xA7, 0xA4, 0x3D}};
// {92547B06-0007-4820-B76A-C84E402CA709}
inline constexpr IID kIFeatureGE = {
    0x92547B06, 0x0007, 0x4820, {0xB7, 0x6A, 0xC8, 0x4E, 0x40, 0x2C, 0xA7, 0x09}};
// {851D25E7-785F-4DB7-95F9-A0EF7E836C44}
inline constexpr IID kIFeatureCollectionGE = {
    0x851D25E7, 0x785F, 0x4DB7, {0x95, 0xF9, 0xA0, 0xEF, 0x7E, 0x83, 0x6C, 0x44}};
// {F4F7B301-7C59-4851-BA97-C51F110B590F}
inline constexpr IID kIPointOnTerrainGE = {
    0xF4F7B301, 0x7C59, 0x4851, {0xBA, 0x97, 0xC5, 0x1F, 0x11, 0x0B, 0x59, 0x0F}};

// The stand-in's own, private: answered only by its objects, so that an
// object argument can be recognised as one of them (never marshaled).
// {6F1E2D3C-4B5A-4978-8A6B-5C4D3E2F1A0B}
inline constexpr IID kIStandInObject = {
    0x6F1E2D3C, 0x4B5A, 0x4978, {0x8A, 0x6B, 0x5C, 0x4D, 0x3E, 0x2F, 0x1A, 0x0B}};

namespace app {
inline constexpr DISPID kGetCamera = 1;
inline constexpr DISPID kSetCamera = 2;
inline constexpr DISPID kSetCameraParams = 3;
inline constexpr DISPID kStreamingProgressPercentage = 4;
inline constexpr DISPID kSaveScreenShot = 5;
inline constexpr DISPID kOpenKmlFile = 6;
inline constexpr DISPID kLoadKmlData = 7;
inline constexpr DISPID kAutoPilotSpeed = 8;
inline constexpr DISPID kViewExtents = 9;
inline constexpr DISPID kGetFeatureByName = 10;
inline constexpr DISPID kGetFeatureByHref = 11;
inline constexpr DISPID kSetFeatureView = 12;
inline constexpr DISPID kGetPointOnTerrainFromScreenCoords = 13;
inline constexpr DISPID kVersionMajor = 14;
inline constexpr DISPID kVersionMinor = 15;
inline constexpr DISPID kVersionBuild = 16;
inline constexpr DISPID kVersionAppType = 17;
inline constexpr DISPID kIsInitialized = 18;
inline constexpr DISPID kIsOnline = 19;
inline constexpr DISPID kLogin = 20;
inline constexpr DISPID kLogout = 21;
inline constexpr DISPID kShowDescriptionBalloon = 22;
inline constexpr DISPID kHideDescriptionBalloons = 23;
inline constexpr DISPID kGetHighlightedFeature = 24;
inline constexpr DISPID kGetMyPlaces = 25;
inline constexpr DISPID kGetTemporaryPlaces = 26;
inline constexpr DISPID kGetLayersDatabases = 27;
inline constexpr DISPID kElevationExaggeration = 28;
inline constexpr DISPID kGetMainHwnd = 29;
inline constexpr DISPID kTourController = 30;
inline constexpr DISPID kSearchController = 31;
inline constexpr DISPID kAnimationController = 32;
inline constexpr DISPID kGetRenderHwnd = 33;
}  // namespace app

namespace camera {
inline constexpr DISPID kFocusPointLatitude = 1;
inline constexpr DISPID kFocusPointLongitude = 2;
inline constexpr DISPID kFocusPointAltitude = 3;
inline constexpr DISPID kFocusPointAltitudeMode = 4;
inline constexpr DISPID kRange = 5;
inline constexpr DISPID kTilt = 6;
inline constexpr DISPID kAzimuth = 7;
}  // namespace camera

namespace extents {
inline constexpr DISPID kNorth = 1;
inline constexpr DISPID kSouth = 2;
inline constexpr DISPID kEast = 3;
inline constexpr DISPID kWest = 4;
}  // namespace extents

namespace point {
inline constexpr DISPID kLatitude = 1;
inline constexpr DISPID kLongitude = 2;
inline constexpr DISPID kAltitude = 3;
inline constexpr DISPID kProjectedOntoGlobe = 4;
inline constexpr DISPID kZeroElevationExaggeration = 5;
}  // namespace point

namespace feature {
inline constexpr DISPID kName = 1;
inline constexpr DISPID kVisibility = 2;
inline constexpr DISPID kHasView = 3;
inline constexpr DISPID kHighlighted = 4;
inline constexpr DISPID kHighlight = 5;
inline constexpr DISPID kGetParent = 6;
inline constexpr DISPID kGetChildren = 7;
inline constexpr DISPID kTimeInterval = 8;
}  // namespace feature

namespace collection {
inline constexpr DISPID kItem = 0;
inline constexpr DISPID kCount = 1;
inline constexpr DISPID kNewEnum = -4;
}  // namespace collection

}  // namespace standin::ids
