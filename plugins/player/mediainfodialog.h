#pragma once
// The Media Information window: the container and every stream of the open address, with
// the plug-in that decodes each, as selectable text with a button that copies it all.

#include "mediadetails.h"

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace MovraReference {

class MediaInfoDialog : public QDialog
{
    Q_OBJECT
public:
    explicit MediaInfoDialog(QWidget* parent = nullptr);
    void setDetails(const MediaDetails& details);
    QString text() const;

private:
    QPlainTextEdit* m_text = nullptr;
    QPushButton* m_copy = nullptr;
};

} // namespace MovraReference
