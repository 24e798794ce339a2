#pragma once

#include <QDialog>
#include <QString>
#include <QUrl>

#include <functional>

// The version dialog: the program's icon, name and version, the maker's
// notice line and a link to the maker's home page.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    // Opens an address with the desktop's default action.
    using UrlOpener = std::function<bool(const QUrl&)>;

    // Without an opener the desktop's default action is used.
    explicit CAboutDlg(QWidget* parent = nullptr, UrlOpener opener = {});

    // Runs the dialog modally with the program's own texts.
    static void ShowAbout(QWidget* parent, UrlOpener opener = {});

    // Puts the texts into the controls; called when the dialog starts.
    void OnInitDialog();
    void OnLinkClicked();

    QString m_strLink;
    QString m_strVersion;
    QString m_strNotice;

protected:
    void showEvent(QShowEvent* event) override;

private:
    UrlOpener m_opener;
};
