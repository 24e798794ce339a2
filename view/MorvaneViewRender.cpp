// How the control panel sets up its engines, applies the form's edits, and
// follows a render through its passes.
#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "document/MorvaneDoc.h"
#include "drawwnd/DrawWnd.h"
#include "palette/ColorPattern.h"
#include "platform/Canvas.h"
#include "platform/DevicePixels.h"
#include "platform/MessageBox.h"
#include "platform/ProgressCtrl.h"
#include "res/Resource.h"
#include "view/MorvaneView.h"

namespace {

constexpr int kMinColors = 10;
constexpr int kMaxColors = 10000;
constexpr std::uint32_t kMinSide = 10;
constexpr std::uint32_t kMaxSide = 2000;
// Progress notices of the picture come no closer together than about one
// screen refresh: each one wakes this thread and repaints the bar, which on
// a small picture took a processor from the workers many times a pass.
constexpr int kProgressIntervalMs = 15;
// How long after the frame first appears its window manager may still give
// it the border that moves its outer edge.
constexpr int kFramePlacementMs = 3000;

std::int32_t StoredSide(std::uint32_t side) {
    return static_cast<std::int32_t>(
        std::clamp<std::uint32_t>(side, 1, CMorvaneDoc::kMaxImageSide));
}

QString FormatRegion(double value) {
    return QString::asprintf("%f", value);
}

// Truncation toward zero, kept within a range every drawing call can take.
int TruncToPixels(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    return static_cast<int>(std::clamp(value, -1.0e6, 1.0e6));
}

}  // namespace

int CMorvaneView::ScreenBitDepth() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int depth = screen ? screen->depth() : 32;
    // True-colour screens report 24 for their 32-bit pixels.
    if (depth <= 8 || depth > 16) {
        return 32;
    }
    return 16;
}

QPoint CMorvaneView::DrawWndPlacement() const {
    const QWidget* form = window();
    const int right = form->frameGeometry().right() + 1;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int screenWidth = screen ? screen->geometry().width() : 1024;
    // The image width is in device pixels, the screen's in logical ones.
    const double ratio =
        m_pDrawWnd ? m_pDrawWnd->devicePixelRatio() : (screen ? screen->devicePixelRatio() : 1.0);
    const int w = LogicalCeil(m_pDocument->m_imageWidth, ratio);
    const int x = w + right < screenWidth ? right + 1 : screenWidth - w - 8;
    return {x, 0};
}

void CMorvaneView::PlaceDrawWnd(QSize clientSize) {
    const QPoint at = DrawWndPlacement();
    m_pDrawWnd->MoveWithClientSize(at.x(), at.y(), clientSize.width(), clientSize.height());
    m_nPlacedFrameRight = window()->frameGeometry().right();
}

void CMorvaneView::WatchFramePlacement() {
    QWidget* frame = window();
    if (frame == this || frame->isVisible()) {
        return;  // the frame's border is known: the place is final
    }
    // Before the frame is first shown, a window manager has not yet given it
    // its border: place the drawing window again once the frame's outer edge
    // is known, for the first moments after it appears.
    if (!m_bWatchingFrame) {
        frame->installEventFilter(this);
        m_bWatchingFrame = true;
    }
    m_bPlaceAfterFrame = true;
}

bool CMorvaneView::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window() || !m_bPlaceAfterFrame) {
        return CFormBase::eventFilter(watched, event);
    }
    switch (event->type()) {
        case QEvent::Show:
            QTimer::singleShot(kFramePlacementMs, this, [this] { m_bPlaceAfterFrame = false; });
            [[fallthrough]];
        case QEvent::Move:
        case QEvent::Resize:
            if (m_pDrawWnd && window()->frameGeometry().right() != m_nPlacedFrameRight) {
                PlaceDrawWnd(m_pDrawWnd->ClientSize());
            }
            break;
        default:
            break;
    }
    return CFormBase::eventFilter(watched, event);
}

void CMorvaneView::OnInitialUpdate() {
    StopAndFree();
    m_nBitDepth = ScreenBitDepth();
    if (QWidget* frame = window(); frame != this) {
        // Shrink the frame to fit the form, never grow it.
        const QSize fit = frame->sizeHint();
        frame->resize(std::min(frame->width(), fit.width()),
                      std::min(frame->height(), fit.height()));
    }

    CMorvaneDoc& doc = *m_pDocument;
    CFractalEngine& engine = doc.m_engine;
    m_nIterationLimit = doc.m_iterationLimit;
    m_nColorCount = doc.m_colorCount;
    m_dJuliaIm = engine.m_juliaIm;
    m_dJuliaRe = engine.m_juliaRe;
    m_nKind = engine.m_kind;
    EnableConstantEdits(m_nKind == 1);

    SetupColorBar();
    BuildColorTable();
    DrawColorBar();

    m_nHeight = static_cast<std::uint32_t>(doc.m_imageHeight);
    m_nWidth = static_cast<std::uint32_t>(doc.m_imageWidth);
    m_pDrawWnd = std::make_unique<CDrawWnd>(&m_notify);
    m_pDrawWnd->CreateOnce();
    PlaceDrawWnd(QSize(static_cast<int>(m_nWidth), static_cast<int>(m_nHeight)));
    WatchFramePlacement();

    m_progress->setRange(0, 100);
    m_progress->SetPos(0);

    SetupPreview();
    m_previewEngine.SetColorTable(m_pColorTable.get(), m_nColorCount);
    m_previewEngine.m_iterationLimit = doc.m_iterationLimit;
    StartPreview();

    ResizeMainSurface();
    engine.SetColorTable(m_pColorTable.get(), m_nColorCount);
    engine.m_iterationLimit = doc.m_iterationLimit;
    engine.StartCoarse(&m_notify);

    m_comboPattern->clear();
    for (const std::string& name : CColorPattern(m_nBitDepth).PatternNames()) {
        if (name == "END") {
            break;
        }
        m_comboPattern->addItem(QString::fromStdString(name));
    }
    m_comboPattern->setCurrentIndex(doc.m_colorPattern);

    ShowRegion();
    UpdateData(false);
}

void CMorvaneView::ShowRegion() {
    const CFractalEngine& engine = m_pDocument->m_engine;
    m_strXMin = FormatRegion(engine.m_xMin);
    m_strXMax = FormatRegion(engine.m_xMax);
    m_strYMin = FormatRegion(engine.m_yMin);
    m_strYMax = FormatRegion(engine.m_yMax);
    // The statics keep their six decimals; a deep region shows every digit
    // and its width as a power of ten when the pointer rests on them.
    const CDeepRegion* deep = engine.m_deep.get();
    QString tip;
    if (deep && deep->Rounds(engine.m_xMin, engine.m_xMax, engine.m_yMin, engine.m_yMax)) {
        // log10 of m 2^e, whatever the exponent.
        const CFloatExp width = deep->Width();
        const double w = width.IsZero()
                             ? 0.0
                             : std::log10(width.Mantissa()) +
                                   static_cast<double>(width.Exponent()) * std::log10(2.0);
        tip = QStringLiteral("X: %1\n   %2\nY: %3\n   %4\n10^%5")
                  .arg(QString::fromStdString(deep->XMin().ToString()),
                       QString::fromStdString(deep->XMax().ToString()),
                       QString::fromStdString(deep->YMin().ToString()),
                       QString::fromStdString(deep->YMax().ToString()))
                  .arg(w, 0, 'f', 1);
    }
    for (int id : {IDC_XMIN, IDC_XMAX, IDC_YMIN, IDC_YMAX}) {
        if (QWidget* control = GetDlgItem(id)) {
            control->setToolTip(tip);
        }
    }
}

void CMorvaneView::WriteRegionTexts() {
    ShowRegion();
    SetControlText(IDC_XMIN, m_strXMin);
    SetControlText(IDC_XMAX, m_strXMax);
    SetControlText(IDC_YMIN, m_strYMin);
    SetControlText(IDC_YMAX, m_strYMax);
}

void CMorvaneView::ApplyAndRender() {
    if (m_bSizeEdited && !ApplyImageSize()) {
        return;
    }
    if (m_bWindowResized && !FitRegionToWindow()) {
        return;
    }
    bool restartPreview = false;
    if (m_bColorsChanged) {
        if (!ApplyColors()) {
            return;
        }
        restartPreview = true;
    }
    CFractalEngine& engine = m_pDocument->m_engine;
    if (m_bKindChanged) {
        m_previewEngine.StopWorkers();
        m_previewEngine.m_juliaRe = engine.m_juliaRe;
        m_previewEngine.m_juliaIm = engine.m_juliaIm;
        m_previewEngine.m_kind = engine.m_kind;
        m_previewEngine.SetDefaultRegion();
        restartPreview = true;
    }
    if (m_bConstantEdited) {
        UpdateData(true);
        engine.StopWorkers();
        m_previewEngine.StopWorkers();
        engine.m_juliaRe = m_dJuliaRe;
        engine.m_juliaIm = m_dJuliaIm;
        m_previewEngine.m_juliaRe = engine.m_juliaRe;
        m_previewEngine.m_juliaIm = engine.m_juliaIm;
        m_previewEngine.m_kind = engine.m_kind;
        restartPreview = true;
    }
    // The same overview again would only take processors from the picture.
    if (restartPreview && !(m_previewShown && *m_previewShown == PreviewKey())) {
        StartPreview();
    }
    ShowRegion();
    UpdateData(false);
    m_bSizeEdited = 0;
    m_bWindowResized = 0;
    m_bColorsChanged = 0;
    m_bKindChanged = 0;
    m_bConstantEdited = 0;
    OnUpdate();  // the document's one view
}

void CMorvaneView::OnUpdate() {
    m_progress->SetPos(0);
    DrawPreview();
    // The windows show the new parameters before the workers start, so the
    // first pass does not share the processors with painting them.
    if (m_pDrawWnd) {
        m_pDrawWnd->FlushFrame();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    m_pDocument->m_engine.StartCoarse(&m_notify);
}

void CMorvaneView::OnDraw() {
    DrawMainImage();
    DrawPreview();
    DrawColorBar();
}

int CMorvaneView::ApplyColors() {
    if (m_nColorCount < kMinColors || m_nColorCount > kMaxColors) {
        CMessageBox::Show(this, QString::fromUtf8("色解像度は 10～10000の間にしてください。"));
        return 0;
    }
    CFractalEngine& engine = m_pDocument->m_engine;
    engine.StopWorkers();
    m_previewEngine.StopWorkers();
    BuildColorTable();
    DrawColorBar();
    engine.SetColorTable(m_pColorTable.get(), m_pDocument->m_colorCount);
    m_previewEngine.SetColorTable(m_pColorTable.get(), m_pDocument->m_colorCount);
    engine.m_iterationLimit = m_pDocument->m_iterationLimit;
    m_previewEngine.m_iterationLimit = m_pDocument->m_iterationLimit;
    return 1;
}

int CMorvaneView::ApplyImageSize() {
    UpdateData(true);
    if (m_nWidth < kMinSide || m_nWidth > kMaxSide || m_nHeight < kMinSide ||
        m_nHeight > kMaxSide) {
        CMessageBox::Show(this, QString::fromUtf8("Windowサイズは 10～2000の間にしてください。"));
        return 0;
    }
    const QPoint at = m_pDrawWnd->frameGeometry().topLeft();
    m_pDrawWnd->MoveWithClientSize(at.x(), at.y(), static_cast<int>(m_nWidth),
                                   static_cast<int>(m_nHeight));
    return FitRegionToWindow();
}

int CMorvaneView::FitRegionToWindow() {
    CFractalEngine& engine = m_pDocument->m_engine;
    engine.StopWorkers();
    const QSize client = m_pDrawWnd->ClientSize();
    const int w = engine.m_width;
    const int h = engine.m_height;
    // The top-left corner stays; the scale of the picture is kept.
    if (w > 0 && h > 0) {
        const double xMax =
            engine.m_xMin + (client.width() + 1) * (engine.m_xMax - engine.m_xMin) / w;
        const double yMax =
            engine.m_yMin + (client.height() + 1) * (engine.m_yMax - engine.m_yMin) / h;
        // Near the end of the range the region keeps its bounds.
        const double cw = client.width() + 1;
        const double ch = client.height() + 1;
        if (auto plan = engine.PlanMove(engine.m_xMin, xMax, engine.m_yMin, yMax,
                                        {{0, 1}, {cw, double(w)}, {0, 1}, {ch, double(h)}})) {
            engine.ApplyPlan(std::move(*plan));
        }
    }
    ResizeMainSurface();
    // A window the user has dragged to an extreme size still leaves sizes
    // that a parameter file can carry.
    m_pDocument->m_imageWidth = StoredSide(m_nWidth);
    m_pDocument->m_imageHeight = StoredSide(m_nHeight);
    return 1;
}

void CMorvaneView::ResizeMainSurface() {
    CFractalEngine& engine = m_pDocument->m_engine;
    engine.StopWorkers();
    const QSize client = m_pDrawWnd->ClientSize();
    engine.CreateSurface(client.width(), client.height(), m_nBitDepth);
    engine.m_reportProgress = 1;
    engine.m_progressIntervalMs = kProgressIntervalMs;
}

int CMorvaneView::RestoreWindowSize() {
    m_nWidth = static_cast<std::uint32_t>(m_pDocument->m_imageWidth);
    m_nHeight = static_cast<std::uint32_t>(m_pDocument->m_imageHeight);
    const QPoint at = m_pDrawWnd->frameGeometry().topLeft();
    m_pDrawWnd->MoveWithClientSize(at.x(), at.y(), static_cast<int>(m_nWidth),
                                   static_cast<int>(m_nHeight));
    ResizeMainSurface();
    return 1;
}

CMorvaneView::CPreviewKey CMorvaneView::PreviewKey() const {
    const CFractalEngine& p = m_previewEngine;
    CPreviewKey key{
        p.m_kind,           p.m_juliaRe, p.m_juliaIm, {p.m_xMin, p.m_xMax, p.m_yMin, p.m_yMax},
        p.m_iterationLimit, p.m_width,   p.m_height,  {}};
    // The colours the preview engine was given: the document's count may
    // already hold an edit that no table has been built for.
    if (p.m_colorTable) {
        key.colors.assign(p.m_colorTable, p.m_colorTable + std::max(0, p.m_colorCount));
    }
    return key;
}

void CMorvaneView::StartPreview() {
    m_previewShown.reset();
    m_previewEngine.StartFine(&m_notify);
}

void CMorvaneView::SetupPreview() {
    m_previewShown.reset();
    m_previewEngine.StopWorkers();
    m_previewEngine.m_kind = m_pDocument->m_engine.m_kind;
    m_previewEngine.m_juliaRe = m_pDocument->m_engine.m_juliaRe;
    m_previewEngine.m_juliaIm = m_pDocument->m_engine.m_juliaIm;
    m_previewEngine.SetDefaultRegion();
    const QSize size = GetControlSize(IDC_PREVIEW);
    m_previewEngine.CreateSurface(size.width(), size.height(), m_nBitDepth);
    m_previewEngine.m_reportProgress = 0;
}

void CMorvaneView::SetColorPattern(int pattern) {
    if (pattern == m_pDocument->m_colorPattern) {
        return;
    }
    m_pDocument->m_colorPattern = pattern;
    if (!ApplyColors()) {
        return;
    }
    StartPreview();
    ApplyAndRender();
}

void CMorvaneView::ShowCalcTime(double seconds) {
    // Only the time static: writing every field here would throw away what
    // the user is typing into an edit that has not been applied yet.
    m_strCalcTime = QString::asprintf("%.2f", seconds);
    SetControlText(IDC_CALCTIME, m_strCalcTime);
}

void CMorvaneView::OnRenderProgress(std::uintptr_t engine, std::intptr_t percent) {
    CFractalEngine& main = m_pDocument->m_engine;
    if (engine != main.Handle()) {
        return;
    }
    m_progress->SetPos(static_cast<int>(std::clamp<std::intptr_t>(percent, 0, 100)));
    ShowCalcTime(main.m_elapsed.load());
    // Once the pass has ended, its completion notice follows and draws the
    // whole picture: drawing its rows here as well would only hold up the
    // next pass. (A stopped pass is followed by a new one.)
    if (m_pDrawWnd && !m_pDrawWnd->m_bButtonDown && main.IsBusy()) {
        main.DrawFinishedRows(*m_pDrawWnd);
    }
}

void CMorvaneView::OnRenderDone(std::uintptr_t engine, std::intptr_t serial) {
    CFractalEngine& main = m_pDocument->m_engine;
    if (engine == main.Handle()) {
        // A notice of a pass that was stopped or replaced is no completion.
        if (!main.IsCurrentPass(serial)) {
            return;
        }
        ShowCalcTime(main.m_elapsed.load());
        DrawMainImage();
        if (main.m_level == 1) {
            m_progress->SetPos(100);
        }
        const bool started = main.RefineNext();
        if (!started && m_pDocument->m_benchmarkRunning == 1) {
            BenchmarkStep();
        }
    } else if (engine == m_previewEngine.Handle() && m_previewEngine.IsCurrentPass(serial)) {
        DrawPreview();
        m_previewShown = PreviewKey();
    }
}

void CMorvaneView::DrawMainImage() {
    if (m_pDrawWnd) {
        m_pDocument->m_engine.Draw(*m_pDrawWnd);
    }
}

void CMorvaneView::DrawPreview() {
    // The rows a restarted preview has not reached keep the last mark:
    // exclusive or takes it away again, so that only the new one shows.
    if (m_bPreviewMarked) {
        XorPreviewMark(m_previewMark);
    }
    m_previewEngine.Draw(*m_preview);
    const QSize size = m_preview->ClientSize();
    const double W = size.width();
    const double H = size.height();
    const CFractalEngine& p = m_previewEngine;
    const CFractalEngine& e = m_pDocument->m_engine;
    const double pw = p.m_xMax - p.m_xMin;
    const double ph = p.m_yMax - p.m_yMin;
    const double w = e.m_xMax - e.m_xMin;
    const double h = e.m_yMax - e.m_yMin;
    const int cx = TruncToPixels(((w * 0.5 + e.m_xMin) - p.m_xMin) / pw * W);
    const int cy = TruncToPixels(((h * 0.5 + e.m_yMin) - p.m_yMin) / ph * H);
    const int hw = TruncToPixels(w / pw * W) / 2;
    const int hh = TruncToPixels(h / ph * H) / 2;
    m_previewMark = {QRect(cx - hw, cy - hh, 2 * hw, 2 * hh), size};
    XorPreviewMark(m_previewMark);
    m_bPreviewMarked = true;
}

void CMorvaneView::XorPreviewMark(const CPreviewMark& mark) {
    const QRect& box = mark.box;
    const int cx = box.left() + box.width() / 2;
    const int cy = box.top() + box.height() / 2;
    m_preview->XorFocusRect(box);
    m_preview->XorDottedLine({cx, 0}, {cx, box.top()});
    m_preview->XorDottedLine({cx, mark.size.height()}, {cx, box.top() + box.height()});
    m_preview->XorDottedLine({0, cy}, {box.left(), cy});
    m_preview->XorDottedLine({mark.size.width(), cy}, {box.left() + box.width(), cy});
}

void CMorvaneView::StopAndFree() {
    m_pDocument->m_engine.StopWorkers();
    m_previewEngine.StopWorkers();
    m_pColorTable.reset();
    m_pDocument->m_engine.SetColorTable(nullptr, 0);
    m_previewEngine.SetColorTable(nullptr, 0);
    m_pDrawWnd.reset();
}
