#pragma once

#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "engine/DibSurface.h"
#include "engine/FractalEngine.h"
#include "platform/FormBase.h"
#include "platform/PostedMessage.h"

class CCanvas;
class CDrawWnd;
class CMorvaneDoc;
class CProgressCtrl;
class CUpDown;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The control panel: every parameter of a render is edited here, and the
// view drives the document's engine, its own preview engine and the drawing
// window through posted messages.
class CMorvaneView : public CFormBase {
    Q_OBJECT
public:
    explicit CMorvaneView(CMorvaneDoc* document, QWidget* parent = nullptr);
    ~CMorvaneView() override;

    CMorvaneDoc* GetDocument() const { return m_pDocument; }

    // Sets everything up from the document and starts the first renders.
    void OnInitialUpdate();
    // Applies the pending edits and renders the main image again.
    void ApplyAndRender();
    void OnUpdate();
    void OnDraw();

    // Commands reaching the view from the menu and the accelerators; false
    // when the view has no handler for the id.
    bool OnCommand(int id);
    bool IsCommandEnabled(int id) const;

    QWidget* GetDlgItem(int id) const;
    CDrawWnd* DrawWnd() const { return m_pDrawWnd.get(); }
    CFractalEngine& PreviewEngine() { return m_previewEngine; }
    // Whether the overview shows the finished picture of its parameters.
    bool PreviewFinished() const { return m_previewShown.has_value(); }

    // Form fields, in the order of the data exchange.
    QString m_strXMin;
    QString m_strYMax;
    QString m_strXMax;
    QString m_strYMin;
    std::int32_t m_nColorCount = 0;
    QString m_strCalcTime;
    std::int32_t m_nKind = -1;
    double m_dJuliaIm = 0.0;
    double m_dJuliaRe = 0.0;
    std::uint32_t m_nHeight = 0;
    std::uint32_t m_nWidth = 0;
    std::int32_t m_nIterationLimit = 0;

    // Edits waiting for the next ApplyAndRender.
    int m_bSizeEdited = 0;
    int m_bWindowResized = 0;
    int m_bColorsChanged = 0;
    int m_bKindChanged = 0;
    int m_bConstantEdited = 0;

    int m_nBitDepth = 32;
    int m_nResizeTimer = 0;
    double m_dBenchTotal = 0.0;
    int m_nBenchScene = 0;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The form.
    void CreateControls();
    void OnChangeColorCount();
    void OnDeltaPosColorCount(int delta);
    void OnChangeIterationLimit();
    void OnDeltaPosIterationLimit(int delta);
    void OnChangeSize();
    void OnChangeConstant();
    void OnSelChangePattern(int index);
    void OnKindRadio();
    void OnRecalc();
    void EnableConstantEdits(bool enable);
    void SetupColorBar();
    void BuildColorTable();
    void DrawColorBar();
    QSize GetControlSize(int id) const;

    // Navigation and the drawing window's mouse and size events.
    void Pan(int direction);
    void OnZoomIn();
    void OnZoomOut();
    void OnDrawWndSized();
    void OnTimer();
    void OnDrawWndClick(int x, int y);
    void OnDrawWndRClick(int x, int y);
    void OnDrawWndDragging(int ox, int oy);
    void OnDrawWndDragged(int ox, int oy);
    // The centre of a zoom about a point of the drawing window.
    QPointF ZoomCentre(int x, int y) const;
    // Stops the render, sets the document's region and renders it; a region
    // outside the usable range changes nothing and returns false.
    // The doubles are the move's designed formula; `move` is the same move
    // for a region held in arbitrary precision.
    bool MoveRegion(double xMin, double xMax, double yMin, double yMax,
                    const CDeepRegion::CMove& move);
    // Centres the region on that point with each side halfSpan x 2 of what it was.
    void ZoomAbout(int x, int y, double halfSpan);

    // The benchmark and the clipboard.
    void OnBenchmarkStart();
    void LoadBenchmarkScene();
    void OnBenchmarkStop();
    // After the last pass of a job while the benchmark runs.
    void BenchmarkStep();
    // Renders the document's parameters as just loaded by the benchmark.
    void RenderLoadedParameters();
    void OnCopy();

    // Rendering.
    void OnRenderProgress(std::uintptr_t engine, std::intptr_t percent);
    void OnRenderDone(std::uintptr_t engine, std::intptr_t serial);
    int ApplyColors();
    int ApplyImageSize();
    int FitRegionToWindow();
    void ResizeMainSurface();
    int RestoreWindowSize();
    void SetupPreview();
    void SetColorPattern(int pattern);
    void DrawMainImage();
    // The preview's picture with one mark, that of the current region.
    void DrawPreview();
    struct CPreviewMark {
        QRect box;   // the region's rectangle, centred on its centre
        QSize size;  // the preview's client size when it was drawn
    };
    void XorPreviewMark(const CPreviewMark& mark);
    void StopAndFree();
    // Region texts from the document's engine into the fields.
    void ShowRegion();
    // The same, written to the four statics alone.
    void WriteRegionTexts();
    // Writes one control's text, only when it differs and without raising a
    // change notification. Where the program changes a single field, only
    // that control is written: writing every field would put back stale
    // values over what the user has typed and not yet applied.
    void SetControlText(int id, const QString& text);
    void ShowCalcTime(double seconds);
    int ScreenBitDepth() const;
    QPoint DrawWndPlacement() const;
    // Moves the drawing window just right of the frame's outer edge.
    void PlaceDrawWnd(QSize clientSize);
    // At start-up: places it again once the frame has its border.
    void WatchFramePlacement();

    CMorvaneDoc* m_pDocument;
    // Declared before the engines and the table: workers post here and read
    // the table until the engines have been stopped.
    CPostTarget m_notify;
    std::unique_ptr<std::uint32_t[]> m_pColorTable;
    CFractalEngine m_previewEngine;
    // What the overview shows once its last pass has finished: a restart
    // that would draw the same picture again is left out.
    struct CPreviewKey {
        std::int32_t kind = 0;
        double juliaRe = 0.0;
        double juliaIm = 0.0;
        double region[4] = {};
        std::int32_t limit = 0;
        int width = 0;
        int height = 0;
        std::vector<std::uint32_t> colors;
        bool operator==(const CPreviewKey&) const = default;
    };
    CPreviewKey PreviewKey() const;
    void StartPreview();
    std::optional<CPreviewKey> m_previewShown;
    CDibSurface m_colorBar;
    std::unique_ptr<CDrawWnd> m_pDrawWnd;

    std::map<int, QWidget*> m_controls;
    QLineEdit* m_editColors = nullptr;
    QLineEdit* m_editIterations = nullptr;
    QLineEdit* m_editWidth = nullptr;
    QLineEdit* m_editHeight = nullptr;
    QLineEdit* m_editJuliaRe = nullptr;
    QLineEdit* m_editJuliaIm = nullptr;
    QRadioButton* m_radioMandelbrot = nullptr;
    QRadioButton* m_radioJulia = nullptr;
    QComboBox* m_comboPattern = nullptr;
    CProgressCtrl* m_progress = nullptr;
    CCanvas* m_preview = nullptr;
    // The mark the preview shows, drawn by exclusive or over its picture.
    CPreviewMark m_previewMark;
    bool m_bPreviewMarked = false;
    // The frame's outer right edge when the drawing window was placed.
    int m_nPlacedFrameRight = 0;
    bool m_bWatchingFrame = false;
    bool m_bPlaceAfterFrame = false;
    CCanvas* m_colorBarStatic = nullptr;
};
