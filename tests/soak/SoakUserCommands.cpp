// The random user's commands: File New, opening files by every way there
// is, the benchmark and the clipboard copy.
#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "SoakDialogs.h"
#include "SoakFiles.h"
#include "SoakUser.h"
#include "app/MainFrame.h"
#include "app/MorvaneApp.h"
#include "document/MorvaneDoc.h"
#include "res/Resource.h"

QString CSoakUser::FileNew() {
    if (Chance(50)) {
        return PressKey(Qt::Key_N, Qt::ControlModifier, "Ctrl+N");
    }
    m_app.OnCommand(ID_FILE_NEW);
    return QStringLiteral("File New");
}

QString CSoakUser::OpenFile() {
    const bool good = Chance(55);
    const QStringList& list = good ? m_files.Valid() : m_files.Bad();
    const QString path = list.at(Uniform(0, static_cast<int>(list.size()) - 1));
    const int route = Uniform(0, 5);
    const int recent = Uniform(0, 3);
    const QString name = path.section(QLatin1Char('/'), -1);
    switch (route) {
        case 0:
            m_app.OpenDocumentFile(path);
            return QStringLiteral("open %1").arg(name);
        case 1:
            m_dialogs.answers.push_back(path);
            m_app.OnCommand(ID_FILE_OPEN);
            return QStringLiteral("File Open dialog: %1").arg(name);
        case 2: {
            m_dialogs.answers.push_back(path);
            const QString key = PressKey(Qt::Key_O, Qt::ControlModifier, "Ctrl+O");
            m_dialogs.answers.clear();  // when the key did not arrive
            return QStringLiteral("%1: %2").arg(key, name);
        }
        case 3:
            m_app.OnCommand(ID_FILE_MRU_FILE1 + recent);
            return QStringLiteral("recent file %1").arg(recent + 1);
        case 4: {
            QMimeData mime;
            mime.setUrls({QUrl::fromLocalFile(path)});
            const QPointF at(10, 10);
            QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton,
                                  Qt::NoModifier);
            QCoreApplication::sendEvent(m_app.Frame(), &enter);
            QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(m_app.Frame(), &drop);
            return QStringLiteral("drop %1").arg(name);
        }
        default:
            m_app.OnCommand(ID_FILE_OPEN);  // nothing queued: cancelled
            return QStringLiteral("File Open cancelled");
    }
}

QString CSoakUser::Benchmark() {
    const int count = Uniform(10, 10000);
    if (Chance(60)) {
        QString done;
        if (!m_knownFaults && ColorCountRefused()) {
            // A refused count would stall the run, see SoakUser.h.
            Type(IDC_COLORS, QString::number(count));
            done = QStringLiteral("colours \"%1\", ").arg(count);
        }
        m_app.OnCommand(ID_BENCHMARK_START);
        return done + QStringLiteral("benchmark start");
    }
    m_app.OnCommand(ID_BENCHMARK_STOP);
    return QStringLiteral("benchmark stop");
}

QString CSoakUser::Copy() {
    if (Chance(50)) {
        return PressKey(Qt::Key_C, Qt::ControlModifier, "Ctrl+C");
    }
    m_app.OnCommand(ID_EDIT_COPY);
    return QStringLiteral("copy");
}
