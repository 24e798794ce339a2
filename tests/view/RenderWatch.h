#pragma once

#include <QEvent>
#include <QObject>
#include <QProgressBar>
#include <QTest>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "document/MorvaneDoc.h"
#include "platform/PostedMessage.h"
#include "res/Resource.h"
#include "view/MorvaneView.h"

// Watches the render notices a view receives, each seen just before the view
// handles it, and tells when every render the view started has finished.
class CRenderWatch : public QObject {
public:
    struct Notice {
        unsigned message;
        bool fromMain;        // the document's engine, else the preview engine
        std::intptr_t param;  // percentage or pass serial
        int mainLevel;        // level of the document's engine when it arrived
        bool current;         // a completion of the pass its engine runs now
    };

    explicit CRenderWatch(CMorvaneView* view) : m_view(view) { view->installEventFilter(this); }

    // Called with each notice before the view handles it.
    std::function<void(const Notice&)> onNotice;

    void Clear() { m_notices.clear(); }
    const std::vector<Notice>& Notices() const { return m_notices; }

    std::vector<Notice> Of(unsigned message, bool fromMain) const {
        std::vector<Notice> out;
        for (const Notice& n : m_notices) {
            if (n.message == message && n.fromMain == fromMain) {
                out.push_back(n);
            }
        }
        return out;
    }

    // Whether the last completion seen for the engine still belongs to the
    // pass that engine started last: nothing has been started or stopped since.
    bool MainDoneCurrent() const { return m_mainDone && Main().IsCurrentPass(*m_mainDone); }
    // The overview shows the finished picture of its parameters: its last
    // pass completed, or a restart to the same picture was left out.
    bool PreviewDoneCurrent() const { return m_view->PreviewFinished(); }

    QProgressBar* Progress() const {
        return static_cast<QProgressBar*>(m_view->GetDlgItem(IDC_PROGRESS));
    }

    bool Settled() const {
        return Progress()->value() == 100 && !Main().IsBusy() &&
               !m_view->PreviewEngine().IsBusy() && MainDoneCurrent() && PreviewDoneCurrent();
    }

    // Lets the renders run until both engines have finished their last pass
    // and the view has handled its completion.
    bool WaitSettled(int timeoutMs = 30000) const {
        return QTest::qWaitFor([this] { return Settled(); }, timeoutMs);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const CPostedMessageEvent* m = CPostedMessageEvent::From(event);
        if (watched != m_view || !m) {
            return false;
        }
        if (m->message != WM_RENDER_DONE && m->message != WM_RENDER_PROGRESS) {
            return false;
        }
        const bool fromMain = m->wParam == Main().Handle();
        if (!fromMain && m->wParam != m_view->PreviewEngine().Handle()) {
            return false;
        }
        const CFractalEngine& engine = fromMain ? Main() : m_view->PreviewEngine();
        const Notice notice{m->message, fromMain, m->lParam, Main().m_level,
                            m->message == WM_RENDER_DONE && engine.IsCurrentPass(m->lParam)};
        m_notices.push_back(notice);
        if (m->message == WM_RENDER_DONE && fromMain) {
            m_mainDone = m->lParam;
        }
        if (onNotice) {
            onNotice(notice);
        }
        return false;
    }

private:
    const CFractalEngine& Main() const { return m_view->GetDocument()->m_engine; }

    CMorvaneView* m_view;
    std::vector<Notice> m_notices;
    std::optional<std::intptr_t> m_mainDone;
};
