#pragma once
// The entry points of MPXAssociations.so, the module that speaks GIO for the file type
// associations. It is loaded on first use, so that a start that changes no association
// never maps GIO and the libraries behind it.
#include <QMap>
#include <QString>
#include <QStringList>

namespace MovraPlayerX {

struct AssociationFunctions
{
    bool (*getFileTypeAssociations)(const QStringList& extensions, QMap<QString, QString>& programs);
    bool (*setFileTypeAssociations)(const QMap<QString, bool>& wanted);
    QString (*mimeTypeForExtension)(const QString& dottedExtension);
};

constexpr char kAssociationsModule[] = "MPXAssociations.so";
constexpr char kAssociationsEntryPoint[] = "MPXAssociations_functions";

} // namespace MovraPlayerX
