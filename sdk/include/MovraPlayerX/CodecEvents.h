#pragma once
// The request a player plug-in posts to the application object when it cannot play a file
// for want of a video decoder:
//     QCoreApplication::postEvent(qApp, new MovraPlayerX::NeedCodecEvent(url, kind));
// The application recognises it by type and class (dynamic_cast), so the class keeps
// default visibility: its type information must compare equal across libraries.
// (Inline variables and static locals are avoided in these headers: with default visibility
// they become unique symbols, and a library holding one is never unloaded.)

#include <QEvent>
#include <QUrl>

#include <cstdint>

namespace MovraPlayerX {

class __attribute__((visibility("default"))) NeedCodecEvent : public QEvent
{
public:
    // An enumerator, not a static member: an inline variable would be a unique symbol that
    // keeps a plug-in library from being unloaded.
    enum : int { EventType = 1009 };

    // codecKind: 0 AVC, 1 HEVC, 2 MPEG-4.
    NeedCodecEvent(const QUrl& url, int32_t codecKind) : QEvent(static_cast<QEvent::Type>(EventType)), url(url), codecKind(codecKind) {}
    NeedCodecEvent(const NeedCodecEvent& other) : QEvent(other), url(other.url), codecKind(other.codecKind) {}
    NeedCodecEvent& operator=(const NeedCodecEvent&) = delete;

    // The media file that needs the codec; reopened after a successful install.
    QUrl url;
    int32_t codecKind;
};

} // namespace MovraPlayerX
