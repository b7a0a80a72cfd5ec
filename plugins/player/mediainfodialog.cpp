#include "mediainfodialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace MovraReference {
namespace {

QString tx(const char* text)
{
    return QCoreApplication::translate("MovraMediaInformation", text);
}

} // namespace

MediaInfoDialog::MediaInfoDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("mediaInformation"));
    setWindowTitle(tx("Media Information"));
    auto* layout = new QVBoxLayout(this);
    m_text = new QPlainTextEdit(this);
    m_text->setReadOnly(true);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(m_text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_copy = buttons->addButton(tx("&Copy"), QDialogButtonBox::ActionRole);
    m_copy->setObjectName(QStringLiteral("copy"));
    connect(m_copy, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(text()); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(560, 480);
}

void MediaInfoDialog::setDetails(const MediaDetails& details)
{
    m_text->setPlainText(details.url.isEmpty() ? tx("No file open") : mediaDetailsText(details));
}

QString MediaInfoDialog::text() const
{
    return m_text->toPlainText();
}

} // namespace MovraReference
