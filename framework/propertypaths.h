#pragma once
// Every XPath expression evaluated against a plug-in's properties document.

namespace MSE {
namespace PropertyPath {

constexpr char kName[] = "/properties/plugin/name";
constexpr char kInterfaces[] = "/properties/plugin/interfaces/interface/name";
constexpr char kType[] = "/properties/type";
constexpr char kDependencies[] = "/properties/plugin/dependencies/linux/so";
constexpr char kPrimaryView[] = "/properties/playerX/primaryView";
constexpr char kVideoInputFormats[] =
    "/properties/plugin/StreamEngine//port[@media=\"video\" and @type=\"in\"]/format[@fourCC]/@fourCC";
constexpr char kOverlayInputFormats[] =
    "/properties/plugin/StreamEngine//port[@media=\"overlay\" and @type=\"in\"]/format[@fourCC]/@fourCC";
constexpr char kAudioInputFormats[] =
    "/properties/plugin/StreamEngine//port[@media=\"audio\" and @type=\"in\"]/format[@id]/@id";

} // namespace PropertyPath
} // namespace MSE
