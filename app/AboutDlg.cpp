#include "app/AboutDlg.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>

#include "app/LinkStatic.h"
#include "platform/DialogUnits.h"
#include "res/Resource.h"
#include "res/Resources.h"
#include "res/Strings.h"

namespace {

constexpr const char* kVersion = "Velmora Ver 1.0";
constexpr const char* kNotice = "Copyright (C) 2026 The Velmora developers";
// Our home page.
constexpr const char* kHomePage = "https://velmora.example/";

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent, UrlOpener opener)
    : QDialog(parent), m_opener(opener ? std::move(opener) : [](const QUrl& url) {
          return QDesktopServices::openUrl(url);
      }) {
    setWindowTitle(QString::fromUtf8(kAboutBoxTitle));
    setFont(DialogFont());
    const CDialogUnits du(font());
    setFixedSize(du.ToPixelsX(234), du.ToPixelsY(77));

    auto* icon = new QLabel(this);
    icon->setGeometry(du.ToPixels(11, 17, 20, 21));
    icon->setPixmap(ResourceIcon(IDR_MAINFRAME).pixmap(32, 32));
    icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* version = new QLabel(QStringLiteral("Velmora Version 1.0"), this);
    version->setObjectName(QStringLiteral("1026"));
    version->setTextFormat(Qt::PlainText);
    version->setGeometry(du.ToPixels(39, 15, 92, 8));
    auto* notice = new QLabel(this);
    notice->setObjectName(QStringLiteral("1025"));
    notice->setTextFormat(Qt::PlainText);
    notice->setGeometry(du.ToPixels(44, 28, 183, 8));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    ok->setGeometry(du.ToPixels(195, 7, 32, 14));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* link = new CLinkStatic(this);
    link->setObjectName(QStringLiteral("1024"));
    link->setGeometry(du.ToPixels(42, 47, 185, 12));
    connect(link, &CLinkStatic::clicked, this, [this] { OnLinkClicked(); });
}

void CAboutDlg::ShowAbout(QWidget* parent, UrlOpener opener) {
    CAboutDlg dialog(parent, std::move(opener));
    dialog.m_strVersion = QString::fromUtf8(kVersion);
    dialog.m_strNotice = QString::fromUtf8(kNotice);
    dialog.m_strLink = QString::fromUtf8(kHomePage);
    dialog.exec();
}

void CAboutDlg::showEvent(QShowEvent* event) {
    OnInitDialog();
    QDialog::showEvent(event);
}

void CAboutDlg::OnInitDialog() {
    findChild<QLabel*>(QStringLiteral("1026"))->setText(m_strVersion);
    findChild<QLabel*>(QStringLiteral("1025"))->setText(m_strNotice);
    findChild<CLinkStatic*>(QStringLiteral("1024"))->SetLink(m_strLink);
}

void CAboutDlg::OnLinkClicked() {
    // Nothing is reported when the desktop cannot open it.
    m_opener(QUrl(m_strLink));
}
