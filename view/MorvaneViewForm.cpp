// The control panel's form: its controls, the data exchange and the handlers
// of the controls' notifications.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include <algorithm>

#include "document/MorvaneDoc.h"
#include "palette/ColorPattern.h"
#include "platform/Canvas.h"
#include "platform/DataExchange.h"
#include "platform/DialogUnits.h"
#include "platform/ProgressCtrl.h"
#include "platform/UpDown.h"
#include "res/Resource.h"
#include "res/Resources.h"
#include "view/MorvaneView.h"

namespace {

constexpr int kStaticId = 65535;  // labels without an id
constexpr int kFormWidth = 190;
constexpr int kFormHeight = 294;
constexpr int kMinSteppedValue = 10;
constexpr int kMaxSteppedValue = 10000;

QLabel* SunkenStatic(QWidget* parent, Qt::Alignment alignment) {
    auto* label = new QLabel(parent);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(alignment | Qt::AlignVCenter);
    return label;
}

// One step of an up-down control: the up arrow (delta -1) adds a tenth of the
// value, the down arrow takes a tenth away, kept within 10 to 10000.
std::int32_t StepValue(std::int32_t value, int delta) {
    const std::int64_t stepped = std::int64_t{value} - std::int64_t{value / 10} * delta;
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(stepped, kMinSteppedValue, kMaxSteppedValue));
}

// What a typed count puts into the document. The form checks the colour count
// only when it is applied and never checks the iteration limit, but the
// document must always hold values a parameter file can carry and the
// renderer can use; valid values pass unchanged.
std::int32_t StoredValue(std::int32_t typed, std::int32_t maximum) {
    return std::clamp(typed, 1, maximum);
}

}  // namespace

void CMorvaneView::CreateControls() {
    setFont(DialogFont());
    const CDialogUnits du(font());
    setFixedSize(du.ToPixelsX(kFormWidth), du.ToPixelsY(kFormHeight));

    // Created in tab order; each control at its place in dialog units.
    auto place = [&](QWidget* w, int id, int x, int y, int cx, int cy) {
        w->setGeometry(du.ToPixels(x, y, cx, cy));
        if (id != kStaticId) {
            m_controls[id] = w;
        }
        return w;
    };
    auto navButton = [&](int id, int icon, const char* caption, int x, int y, int cx, int cy) {
        auto* b = new QPushButton(this);
        b->setIcon(ResourceIcon(icon));
        b->setIconSize(QSize(32, 32));
        b->setToolTip(QString::fromUtf8(caption));
        b->setAccessibleName(QString::fromUtf8(caption));
        place(b, id, x, y, cx, cy);
        connect(b, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
    };
    auto label = [&](const char* text, int x, int y, int cx, int cy) {
        place(new QLabel(QString::fromUtf8(text), this), kStaticId, x, y, cx, cy);
    };
    auto edit = [&](int id, Qt::Alignment alignment, int x, int y, int cx, int cy) {
        auto* e = new QLineEdit(this);
        e->setAlignment(alignment);
        place(e, id, x, y, cx, cy);
        return e;
    };

    navButton(IDC_LEFT, IDI_ARROW_LEFT, "左", 120, 32, 17, 20);
    navButton(IDC_UP, IDI_ARROW_UP, "上", 137, 13, 17, 20);
    navButton(IDC_RIGHT, IDI_ARROW_RIGHT, "右", 154, 33, 16, 20);
    navButton(IDC_DOWN, IDI_ARROW_DOWN, "下", 137, 51, 17, 20);
    navButton(IDC_ZOOM_IN, IDI_ZOOM_IN, "拡大", 124, 77, 17, 19);
    navButton(IDC_ZOOM_OUT, IDI_ZOOM_OUT, "縮小", 150, 77, 17, 19);

    m_radioMandelbrot = new QRadioButton(QString::fromUtf8("マンデルブロー集合"), this);
    place(m_radioMandelbrot, IDC_MANDELBROT, 12, 142, 73, 13);
    m_radioJulia = new QRadioButton(QString::fromUtf8("ジュリア集合"), this);
    place(m_radioJulia, IDC_JULIA, 92, 140, 51, 16);
    m_editJuliaRe = edit(IDC_JULIA_RE, Qt::AlignLeft, 155, 156, 32, 13);
    m_editJuliaIm = edit(IDC_JULIA_IM, Qt::AlignLeft, 155, 172, 32, 14);
    m_editWidth = edit(IDC_WIDTH, Qt::AlignRight, 77, 196, 23, 13);
    m_editHeight = edit(IDC_HEIGHT, Qt::AlignRight, 118, 196, 23, 13);
    m_comboPattern = new QComboBox(this);
    m_comboPattern->setEditable(true);
    m_comboPattern->setInsertPolicy(QComboBox::NoInsert);
    m_comboPattern->setMaxVisibleItems(10);
    // The template's height includes the drop-down list; the box itself is one line.
    place(m_comboPattern, IDC_PATTERN, 56, 217, 87, 13);
    m_editIterations = edit(IDC_ITERATIONS, Qt::AlignRight, 34, 238, 23, 15);
    m_editColors = edit(IDC_COLORS, Qt::AlignRight, 109, 238, 23, 15);
    auto* recalc = new QPushButton(QString::fromUtf8("再計算"), this);
    place(recalc, IDC_RECALC, 147, 195, 38, 62);
    auto* colorsSpin = new CUpDown(this);
    place(colorsSpin, IDC_COLORS_SPIN, 133, 237, 9, 17);
    auto* frame = new QGroupBox(this);
    place(frame, kStaticId, 105, 2, 81, 101);
    frame->lower();  // behind the buttons it frames
    m_preview = new CCanvas(this);
    m_preview->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    place(m_preview, IDC_PREVIEW, 8, 5, 88, 97);
    label("描画範囲", 59, 111, 32, 10);
    label("X :", 95, 110, 11, 10);
    place(SunkenStatic(this, Qt::AlignRight), IDC_XMIN, 108, 109, 37, 11);
    place(SunkenStatic(this, Qt::AlignRight), IDC_XMAX, 148, 109, 37, 11);
    label("Y :", 95, 126, 11, 10);
    place(SunkenStatic(this, Qt::AlignRight), IDC_YMIN, 108, 125, 37, 11);
    place(SunkenStatic(this, Qt::AlignRight), IDC_YMAX, 148, 125, 37, 11);
    label("定数", 107, 157, 18, 11);
    label("実数部 :", 128, 158, 25, 10);
    label("虚数部 :", 128, 175, 25, 10);
    label("描画サイズ", 24, 200, 37, 10);
    label("X :", 66, 200, 11, 10);
    label("Y :", 107, 200, 11, 10);
    label("カラー数 :", 76, 241, 33, 10);
    m_colorBarStatic = new CCanvas(this);
    m_colorBarStatic->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    place(m_colorBarStatic, IDC_COLORBAR, 7, 260, 178, 13);
    m_progress = new CProgressCtrl(this);
    m_progress->setTextVisible(false);
    place(m_progress, IDC_PROGRESS, 5, 281, 110, 9);
    label("計算時間", 122, 281, 30, 10);
    place(SunkenStatic(this, Qt::AlignRight), IDC_CALCTIME, 153, 279, 20, 12);
    label("秒", 177, 281, 10, 10);
    label("カラーパターン :", 8, 219, 47, 10);
    label("解像度 :", 6, 241, 28, 10);
    auto* iterationsSpin = new CUpDown(this);
    place(iterationsSpin, IDC_ITERATIONS_SPIN, 58, 237, 9, 17);

    connect(m_editColors, &QLineEdit::textChanged, this, [this] { OnChangeColorCount(); });
    connect(colorsSpin, &CUpDown::deltaPos, this, [this](int d) { OnDeltaPosColorCount(d); });
    connect(m_editIterations, &QLineEdit::textChanged, this, [this] { OnChangeIterationLimit(); });
    connect(iterationsSpin, &CUpDown::deltaPos, this,
            [this](int d) { OnDeltaPosIterationLimit(d); });
    connect(m_editWidth, &QLineEdit::textChanged, this, [this] { OnChangeSize(); });
    connect(m_editHeight, &QLineEdit::textChanged, this, [this] { OnChangeSize(); });
    connect(m_editJuliaRe, &QLineEdit::textChanged, this, [this] { OnChangeConstant(); });
    connect(m_editJuliaIm, &QLineEdit::textChanged, this, [this] { OnChangeConstant(); });
    connect(m_comboPattern, &QComboBox::activated, this,
            [this](int index) { OnSelChangePattern(index); });
    connect(m_radioMandelbrot, &QRadioButton::clicked, this, [this] { OnKindRadio(); });
    connect(m_radioJulia, &QRadioButton::clicked, this, [this] { OnKindRadio(); });
    connect(recalc, &QPushButton::clicked, this, [this] { OnRecalc(); });
}

void CMorvaneView::SetControlText(int id, const QString& text) {
    QWidget* control = GetDlgItem(id);
    const QSignalBlocker quiet(control);  // the program's own writes set no mark
    if (auto* edit = qobject_cast<QLineEdit*>(control); edit && edit->text() != text) {
        edit->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(control); label && label->text() != text) {
        label->setText(text);
    }
}

QWidget* CMorvaneView::GetDlgItem(int id) const {
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

QSize CMorvaneView::GetControlSize(int id) const {
    const QWidget* w = GetDlgItem(id);
    if (const auto* canvas = qobject_cast<const CCanvas*>(w)) {
        return canvas->ClientSize();
    }
    return w ? w->contentsRect().size() : QSize();
}

void CMorvaneView::DoDataExchange(CDataExchange& dx) {
    DDX_Text(dx, static_cast<QLabel*>(GetDlgItem(IDC_XMIN)), m_strXMin);
    DDX_Text(dx, static_cast<QLabel*>(GetDlgItem(IDC_YMAX)), m_strYMax);
    DDX_Text(dx, static_cast<QLabel*>(GetDlgItem(IDC_XMAX)), m_strXMax);
    DDX_Text(dx, static_cast<QLabel*>(GetDlgItem(IDC_YMIN)), m_strYMin);
    DDX_Int(dx, m_editColors, m_nColorCount);
    DDX_Text(dx, static_cast<QLabel*>(GetDlgItem(IDC_CALCTIME)), m_strCalcTime);
    DDX_Radio(dx, {m_radioMandelbrot, m_radioJulia}, m_nKind);
    DDX_Real(dx, m_editJuliaIm, m_dJuliaIm);
    DDX_Real(dx, m_editJuliaRe, m_dJuliaRe);
    DDX_UInt(dx, m_editHeight, m_nHeight);
    DDX_UInt(dx, m_editWidth, m_nWidth);
    DDX_Int(dx, m_editIterations, m_nIterationLimit);
}

void CMorvaneView::OnChangeColorCount() {
    if (IsExchanging()) {
        return;
    }
    UpdateData(true);
    m_pDocument->m_colorCount = StoredValue(m_nColorCount, CMorvaneDoc::kMaxColorCount);
    m_bColorsChanged = 1;
}

void CMorvaneView::OnDeltaPosColorCount(int delta) {
    if (IsExchanging()) {
        return;
    }
    m_nColorCount = StepValue(m_nColorCount, delta);
    m_pDocument->m_colorCount = m_nColorCount;
    SetControlText(IDC_COLORS, DdxFormatInt(m_nColorCount));
    m_bColorsChanged = 1;
}

void CMorvaneView::OnChangeIterationLimit() {
    if (IsExchanging()) {
        return;
    }
    UpdateData(true);
    m_pDocument->m_iterationLimit = StoredValue(m_nIterationLimit, CMorvaneDoc::kMaxIterationLimit);
    m_bColorsChanged = 1;
}

void CMorvaneView::OnDeltaPosIterationLimit(int delta) {
    if (IsExchanging()) {
        return;
    }
    m_nIterationLimit = StepValue(m_nIterationLimit, delta);
    m_pDocument->m_iterationLimit = m_nIterationLimit;
    SetControlText(IDC_ITERATIONS, DdxFormatInt(m_nIterationLimit));
    m_bColorsChanged = 1;
}

void CMorvaneView::OnChangeSize() {
    if (!IsExchanging()) {
        m_bSizeEdited = 1;
    }
}

void CMorvaneView::OnChangeConstant() {
    if (!IsExchanging()) {
        m_bConstantEdited = 1;
    }
}

void CMorvaneView::OnSelChangePattern(int index) {
    SetColorPattern(index);
}

void CMorvaneView::OnRecalc() {
    ApplyAndRender();
}

void CMorvaneView::EnableConstantEdits(bool enable) {
    m_editJuliaRe->setEnabled(enable);
    m_editJuliaIm->setEnabled(enable);
}

void CMorvaneView::OnKindRadio() {
    UpdateData(true);
    CFractalEngine& engine = m_pDocument->m_engine;
    if (m_nKind == engine.m_kind) {
        return;
    }
    EnableConstantEdits(m_nKind == 1);
    engine.StopWorkers();
    engine.m_kind = m_nKind;
    if (m_nKind == 1) {
        // The centre of the Mandelbrot region shown becomes the constant.
        engine.m_juliaRe = engine.m_xMin + (engine.m_xMax - engine.m_xMin) * 0.5;
        engine.m_juliaIm = engine.m_yMin + (engine.m_yMax - engine.m_yMin) * 0.5;
        m_dJuliaRe = engine.m_juliaRe;
        m_dJuliaIm = engine.m_juliaIm;
        UpdateData(false);
    }
    engine.SwapRegions();
    m_bKindChanged = 1;
    ApplyAndRender();
}

void CMorvaneView::SetupColorBar() {
    const QSize size = GetControlSize(IDC_COLORBAR);
    m_colorBar.SetFormat(size.width(), size.height(), m_nBitDepth);
    m_colorBar.CreateSection();
}

void CMorvaneView::BuildColorTable() {
    const int count = std::max(1, m_pDocument->m_colorCount);
    m_pColorTable = std::make_unique<std::uint32_t[]>(static_cast<std::size_t>(count));
    CColorPattern(m_nBitDepth)
        .BuildPalette(m_pColorTable.get(), count, m_pDocument->m_colorPattern);
    if (!m_colorBar.HasBits()) {
        return;
    }
    const int w = m_colorBar.Width();
    for (int x = 0; x < w; ++x) {
        const auto index = static_cast<std::size_t>(std::int64_t{x} * count / w);
        m_colorBar.FillColumn(x, 0, m_colorBar.Height() - 1, m_pColorTable[index]);
    }
}

void CMorvaneView::DrawColorBar() {
    const QSize size = m_colorBarStatic->ClientSize();
    m_colorBar.Blit(*m_colorBarStatic, 0, 0, size.width(), size.height());
}
