#include "SoakUser.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <array>
#include <cstdint>

#include "app/MainFrame.h"
#include "app/MorvaneApp.h"
#include "document/MorvaneDoc.h"
#include "drawwnd/DrawWnd.h"
#include "platform/DataExchange.h"
#include "platform/PostedMessage.h"
#include "res/Resource.h"
#include "view/MorvaneView.h"

namespace {

// A drawing window's left release counts as the end of a drag only after the
// button has been held a quarter of a second.
constexpr int kDragHoldMs = 260;
// The view applies a resize half a second after the last size event.
constexpr int kResizeDelayMs = 500;
// A running benchmark idle this long has stopped for good.
constexpr int kStallMs = 1000;

// Action kinds and how often each is chosen, out of their sum.
enum class Action {
    ArrowButton,
    ArrowKey,
    ZoomButton,
    ZoomKey,
    PreviewClick,
    LeftClick,
    RightPress,
    Drag,
    Resize,
    Kind,
    Pattern,
    ColorEdit,
    IterationEdit,
    SizeEdit,
    ConstantEdit,
    Spin,
    Recalc,
    FileNew,
    Open,
    Benchmark,
    Copy,
};
struct Weighted {
    Action action;
    int weight;
};
constexpr std::array<Weighted, 21> kActions{{
    {Action::ArrowButton, 10},  {Action::ArrowKey, 8},     {Action::ZoomButton, 6},
    {Action::ZoomKey, 5},       {Action::PreviewClick, 5}, {Action::LeftClick, 5},
    {Action::RightPress, 4},    {Action::Drag, 5},         {Action::Resize, 6},
    {Action::Kind, 5},          {Action::Pattern, 5},      {Action::ColorEdit, 5},
    {Action::IterationEdit, 5}, {Action::SizeEdit, 4},     {Action::ConstantEdit, 4},
    {Action::Spin, 3},          {Action::Recalc, 3},       {Action::FileNew, 2},
    {Action::Open, 5},          {Action::Benchmark, 3},    {Action::Copy, 3},
}};

constexpr int TotalWeight() {
    int total = 0;
    for (const Weighted& w : kActions) {
        total += w.weight;
    }
    return total;
}

struct NamedId {
    int id;
    const char* name;
};
constexpr std::array<NamedId, 4> kArrows{
    {{IDC_UP, "up"}, {IDC_DOWN, "down"}, {IDC_LEFT, "left"}, {IDC_RIGHT, "right"}}};
constexpr std::array<NamedId, 4> kArrowKeys{
    {{Qt::Key_Up, "Up"}, {Qt::Key_Down, "Down"}, {Qt::Key_Left, "Left"}, {Qt::Key_Right, "Right"}}};

}  // namespace

CSoakUser::CSoakUser(CMorvaneApp& app, CSoakDialogs& dialogs, const CSoakFiles& files,
                     std::uint64_t seed, bool knownFaults)
    : m_app(app), m_dialogs(dialogs), m_files(files), m_random(seed), m_knownFaults(knownFaults) {}

CMorvaneView* CSoakUser::View() const {
    return m_app.View();
}

QWidget* CSoakUser::Control(int id) const {
    return View()->GetDlgItem(id);
}

QString CSoakUser::Act() {
    int pick = Uniform(0, TotalWeight() - 1);
    Action action = kActions.back().action;
    for (const Weighted& w : kActions) {
        if (pick < w.weight) {
            action = w.action;
            break;
        }
        pick -= w.weight;
    }
    switch (action) {
        case Action::ArrowButton:
            return Pan(Uniform(0, 3), false);
        case Action::ArrowKey:
            return Pan(Uniform(0, 3), true);
        case Action::ZoomButton:
            return Chance(50) ? ClickButton(IDC_ZOOM_IN, "zoom in")
                              : ClickButton(IDC_ZOOM_OUT, "zoom out");
        case Action::ZoomKey:
            switch (Uniform(0, 3)) {
                case 0:
                    return PressKey(Qt::Key_Plus, Qt::AltModifier, "Alt+\"+\"");
                case 1:
                    return PressKey(Qt::Key_Plus, Qt::AltModifier | Qt::ShiftModifier,
                                    "Alt+Shift+\"+\"");
                case 2:
                    return PressKey(Qt::Key_Semicolon, Qt::AltModifier, "Alt+\";\"");
                default:
                    return PressKey(Qt::Key_Minus, Qt::AltModifier, "Alt+\"-\"");
            }
        case Action::PreviewClick:
            return ClickPreview();
        case Action::LeftClick:
            return ClickDrawing(false);
        case Action::RightPress:
            return ClickDrawing(true);
        case Action::Drag:
            return Drag();
        case Action::Resize:
            return Resize();
        case Action::Kind:
            return SwitchKind();
        case Action::Pattern:
            return ChangePattern();
        case Action::ColorEdit:
            return EditCount(IDC_COLORS, "colours", 10000);
        case Action::IterationEdit:
            return EditCount(IDC_ITERATIONS, "limit", kMaxIterations);
        case Action::SizeEdit:
            return EditSize();
        case Action::ConstantEdit:
            return EditConstant();
        case Action::Spin:
            return StepSpin();
        case Action::Recalc:
            return Recalc();
        case Action::FileNew:
            return FileNew();
        case Action::Open:
            return OpenFile();
        case Action::Benchmark:
            return Benchmark();
        case Action::Copy:
            return Copy();
    }
    return QStringLiteral("nothing");
}

void CSoakUser::Pause() {
    const int kind = Uniform(0, 9);
    const int shortMs = Uniform(1, 20);
    const int longMs = Uniform(20, 150);
    if (kind < 3) {
        return;
    }
    if (kind < 6) {
        QCoreApplication::processEvents();
    } else if (kind < 9) {
        QTest::qWait(shortMs);
    } else {
        QTest::qWait(longMs);
    }
}

QString CSoakUser::Pan(int index, bool key) {
    const auto i = static_cast<std::size_t>(index);
    return key ? PressKey(kArrowKeys.at(i).id, Qt::NoModifier, kArrowKeys.at(i).name)
               : ClickButton(kArrows.at(i).id, kArrows.at(i).name);
}

QString CSoakUser::ClickButton(int id, const char* name) {
    QTest::mouseClick(Control(id), Qt::LeftButton);
    return QStringLiteral("button %1").arg(QLatin1String(name));
}

bool CSoakUser::ActivateFrame() {
    QWidget* frame = m_app.Frame();
    if (QApplication::activeWindow() == frame) {
        return true;
    }
    frame->activateWindow();
    return QTest::qWaitForWindowActive(frame, 1000);
}

QString CSoakUser::PressKey(int key, int modifiers, const char* name) {
    if (!ActivateFrame()) {
        return QStringLiteral("key %1 not pressed: the main window could not be activated")
            .arg(QLatin1String(name));
    }
    QWidget* frame = m_app.Frame();
    QWidget* target = frame->focusWidget() ? frame->focusWidget() : View();
    QTest::keyClick(target, static_cast<Qt::Key>(key), Qt::KeyboardModifiers(modifiers));
    return QStringLiteral("key %1").arg(QLatin1String(name));
}

QString CSoakUser::ClickPreview() {
    QWidget* preview = Control(IDC_PREVIEW);
    const QPoint at(Uniform(0, preview->width() - 1), Uniform(0, preview->height() - 1));
    QTest::mouseClick(preview, Qt::LeftButton, {}, at);
    return QStringLiteral("preview click (%1, %2)").arg(at.x()).arg(at.y());
}

QPoint CSoakUser::DrawingPoint() {
    const QSize client = View()->DrawWnd()->ClientSize();
    const int x = Uniform(0, kMaxSide);
    const int y = Uniform(0, kMaxSide);
    return {x % std::max(1, client.width()), y % std::max(1, client.height())};
}

QString CSoakUser::ClickDrawing(bool right) {
    CDrawWnd* wnd = View()->DrawWnd();
    const QPoint at = DrawingPoint();
    const QPoint widgetAt = at + wnd->contentsRect().topLeft();
    if (right) {
        QTest::mousePress(wnd, Qt::RightButton, {}, widgetAt);
        QTest::mouseRelease(wnd, Qt::RightButton, {}, widgetAt);
        return QStringLiteral("right press (%1, %2)").arg(at.x()).arg(at.y());
    }
    QTest::mouseClick(wnd, Qt::LeftButton, {}, widgetAt);
    return QStringLiteral("left click (%1, %2)").arg(at.x()).arg(at.y());
}

QString CSoakUser::Drag() {
    const bool real = Chance(40);
    const int moves = Uniform(1, 5);
    const int dx = Uniform(-200, 200);
    const int dy = Uniform(-200, 200);
    const bool held = Chance(85);
    CDrawWnd* wnd = View()->DrawWnd();
    if (!real) {
        // What the drawing window posts while the user drags.
        CPostTarget post(View());
        auto offset = [](int v) {
            return static_cast<std::uintptr_t>(static_cast<std::intptr_t>(v));
        };
        for (int i = 1; i <= moves; ++i) {
            post.Post(WM_DRAWWND_DRAGGING, offset(dx * i / moves), dy * i / moves);
            QCoreApplication::processEvents();
        }
        post.Post(WM_DRAWWND_DRAGGED, offset(dx), dy);
        return QStringLiteral("posted drag by (%1, %2) in %3 moves").arg(dx).arg(dy).arg(moves);
    }
    const QPoint from = DrawingPoint() + wnd->contentsRect().topLeft();
    QTest::mousePress(wnd, Qt::LeftButton, {}, from);
    for (int i = 1; i <= moves; ++i) {
        QTest::mouseMove(wnd, from + QPoint(dx * i / moves, dy * i / moves));
        QCoreApplication::processEvents();
    }
    if (held) {
        QTest::qWait(kDragHoldMs);
    }
    QTest::mouseRelease(wnd, Qt::LeftButton, {}, from + QPoint(dx, dy));
    return QStringLiteral("%1 drag by (%2, %3) in %4 moves")
        .arg(held ? QStringLiteral("held") : QStringLiteral("quick"))
        .arg(dx)
        .arg(dy)
        .arg(moves);
}

QString CSoakUser::Resize() {
    const int count = Uniform(1, 6);
    CDrawWnd* wnd = View()->DrawWnd();
    QStringList sizes;
    for (int i = 0; i < count; ++i) {
        const QSize client(Uniform(8, kMaxSide), Uniform(8, kMaxSide));
        const int gapMs = Uniform(0, 30);
        wnd->resize(client + (wnd->size() - wnd->ClientSize()));
        sizes << QStringLiteral("%1x%2").arg(client.width()).arg(client.height());
        if (gapMs < 10) {
            QCoreApplication::processEvents();
        } else {
            QTest::qWait(gapMs);
        }
    }
    const bool waitPastDelay = Chance(40);
    if (waitPastDelay) {
        QTest::qWait(kResizeDelayMs + 50);
    }
    return QStringLiteral("resize %1%2")
        .arg(sizes.join(QLatin1Char(' ')),
             waitPastDelay ? QStringLiteral(", waited past the delay") : QString());
}

QString CSoakUser::Finish() {
    QStringList done;
    CMorvaneView* view = View();
    CMorvaneDoc& doc = m_app.Document();
    m_benchmarkStalled = false;
    if (doc.m_benchmarkRunning) {
        // A running benchmark has always a scene rendering, but for the
        // moment between one pass's end and the start of the next.
        m_benchmarkStalled = !QTest::qWaitFor(
            [&doc] { return doc.m_engine.IsBusy() || doc.m_benchmarkRunning == 0; }, kStallMs);
        if (doc.m_benchmarkRunning) {
            m_app.OnCommand(ID_BENCHMARK_STOP);
            done << QStringLiteral("benchmark stop");
        }
    }
    // Size events still queued, then the delayed resize.
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
    if (view->m_nResizeTimer != 0) {
        const bool applied =
            QTest::qWaitFor([view] { return view->m_nResizeTimer == 0; }, 5 * kResizeDelayMs);
        done << (applied ? QStringLiteral("waited for the resize")
                         : QStringLiteral("the resize timer did not fire"));
    }

    // Edits a check refused stay pending: the user corrects them.
    auto text = [this](int id) { return qobject_cast<QLineEdit*>(Control(id))->text(); };
    std::int32_t count = 0;
    std::uint32_t side = 0;
    double real = 0.0;
    if (ColorCountRefused() || doc.m_colorCount < 10 || doc.m_colorCount > 10000) {
        const int value = Uniform(10, 10000);
        Type(IDC_COLORS, QString::number(value));
        done << QStringLiteral("colours \"%1\"").arg(value);
    }
    if (!DdxParseInt(text(IDC_ITERATIONS), count) || count > kMaxIterations) {
        const int value = Uniform(10, kMaxIterations);
        Type(IDC_ITERATIONS, QString::number(value));
        done << QStringLiteral("limit \"%1\"").arg(value);
    }
    for (const int id : {IDC_WIDTH, IDC_HEIGHT}) {
        if (!DdxParseUInt(text(id), side) || side < 10 || side > kMaxSide) {
            const int value = Uniform(10, kMaxSide);
            Type(id, QString::number(value));
            done << QStringLiteral("side \"%1\"").arg(value);
        }
    }
    for (const int id : {IDC_JULIA_RE, IDC_JULIA_IM}) {
        if (!DdxParseReal(text(id), real)) {
            const double value = Uniform(-1000, 1000) / 1000.0;
            if (Control(id)->isEnabled()) {
                Type(id, QString::number(value));
                done << QStringLiteral("constant \"%1\"").arg(value);
            }
        }
    }
    const int marks = view->m_bSizeEdited + view->m_bWindowResized + view->m_bColorsChanged +
                      view->m_bKindChanged + view->m_bConstantEdited;
    if (marks != 0) {
        done << Recalc();
    }
    return done.join(QStringLiteral(", "));
}
