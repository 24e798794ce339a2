#pragma once

#include <QTemporaryDir>

#include <memory>

#include "RenderWatch.h"
#include "app/MorvaneApp.h"
#include "platform/MessageBox.h"
#include "view/MorvaneView.h"

// The window program on a new document, with a settings file in a folder of
// its own and every message box captured. Start returns once the first
// renders have finished; false when the program did not start or settle.
class CStartedProgram {
public:
    bool Start(int workerCount = 2) {
        if (!m_dir.isValid()) {
            return false;
        }
        m_messages = std::make_unique<CMessageBoxCapture>();
        CMorvaneApp::Options options;
        options.iniPath = m_dir.filePath(QStringLiteral("velmora.ini"));
        options.workerCount = workerCount;
        m_app = std::make_unique<CMorvaneApp>(std::move(options));
        if (!m_app->InitInstance({})) {
            return false;
        }
        m_watch = std::make_unique<CRenderWatch>(m_app->View());
        return m_watch->WaitSettled();
    }

    // The watch goes before the program it watches, the capture after it.
    ~CStartedProgram() {
        m_watch.reset();
        m_app.reset();
        m_messages.reset();
    }

    CMorvaneApp* App() const { return m_app.get(); }
    CMorvaneView* View() const { return m_app->View(); }
    CRenderWatch* Watch() const { return m_watch.get(); }
    CMessageBoxCapture* Messages() const { return m_messages.get(); }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<CMessageBoxCapture> m_messages;
    std::unique_ptr<CMorvaneApp> m_app;
    std::unique_ptr<CRenderWatch> m_watch;
};
