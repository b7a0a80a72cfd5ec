#pragma once
// `movra-plugins inspect`: one plug-in loaded, created and asked for every known interface in
// a child process, so that a plug-in that crashes takes only the child down.

#include <QJsonObject>
#include <QString>

namespace MovraPlugins {

// The child's side: registers `folder`/`file` in a farm of its own, creates an object and
// asks it for each interface. Prints its answer as one marked JSON line and returns the
// process's exit status.
int runInspectChild(const QString& folder, const QString& file);

// The parent's side: runs `program` as the child for the library and reads its answer; the
// child's standard error reaches ours only when `forwardErrors` is set. The
// result always has "library" and "state" ("inspected", "refused", "crashed" or "failed"),
// and "reason" when the state is not "inspected".
QJsonObject inspectInChild(const QString& program, const QString& library, bool forwardErrors, int timeoutMs = 30000);

QString inspectionText(const QJsonObject& result);

// The option that makes the program the child.
constexpr char kInspectChildOption[] = "--inspect-child";

} // namespace MovraPlugins
