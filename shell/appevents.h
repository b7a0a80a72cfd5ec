#pragma once
#include <QEvent>

namespace MovraPlayerX {

// Event types delivered to the application object. The numbers are a contract with the
// plug-ins, which post some of them and watch others, so they never change.
enum AppEventType : int {
    kDeviceDeregistrationEvent = QEvent::User + 1,   // 1001
    kDeviceRegistrationEvent = QEvent::User + 2,     // 1002
    kAssociateFileTypesEvent = QEvent::User + 3,     // 1003
    kDisassociateFileTypesEvent = QEvent::User + 4,  // 1004
    kInitializeCachesEvent = QEvent::User + 5,       // 1005
    kClearDownloadCacheEvent = QEvent::User + 7,     // 1007
    kGetCodecEvent = QEvent::User + 8,               // 1008
    kNeedCodecEvent = QEvent::User + 9,              // 1009
    kOpenQueuedFilesEvent = QEvent::User + 10,       // 1010
};

} // namespace MovraPlayerX
