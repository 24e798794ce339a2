// The built-in benchmark: eleven preset scenes rendered one after another,
// their times added up, and the user's parameters restored afterwards.
#include "document/BenchmarkScenes.h"
#include "document/MorvaneDoc.h"
#include "platform/MessageBox.h"
#include "view/MorvaneView.h"

void CMorvaneView::OnBenchmarkStart() {
    CMorvaneDoc& doc = *m_pDocument;
    doc.BackupParameters();
    doc.m_benchmarkRunning = 1;
    m_dBenchTotal = 0.0;
    m_nBenchScene = 0;
    doc.m_engine.StopIfBusy();
    LoadBenchmarkScene();
}

void CMorvaneView::LoadBenchmarkScene() {
    LoadBenchmarkSceneInto(*m_pDocument, m_nBenchScene);
    RenderLoadedParameters();
}

void CMorvaneView::RenderLoadedParameters() {
    m_bColorsChanged = 1;
    m_bSizeEdited = 0;
    m_bWindowResized = 0;
    m_bKindChanged = 0;
    m_bConstantEdited = 0;
    RestoreWindowSize();
    // The overview follows the scene's kind and constant over its own region.
    const CFractalEngine& engine = m_pDocument->m_engine;
    m_previewEngine.StopIfBusy();
    m_previewEngine.m_juliaIm = engine.m_juliaIm;
    m_previewEngine.m_juliaRe = engine.m_juliaRe;
    m_previewEngine.m_kind = engine.m_kind;
    ApplyAndRender();
}

void CMorvaneView::OnBenchmarkStop() {
    CMorvaneDoc& doc = *m_pDocument;
    doc.m_engine.StopWorkers();
    doc.m_benchmarkRunning = 0;
    doc.RestoreParameters();
    RenderLoadedParameters();
}

void CMorvaneView::BenchmarkStep() {
    CMorvaneDoc& doc = *m_pDocument;
    m_dBenchTotal += doc.m_engine.m_elapsed.load();
    if (m_nBenchScene < kBenchmarkSceneCount - 1) {
        ++m_nBenchScene;
        LoadBenchmarkScene();
        return;
    }
    const QString result =
        QString::fromUtf8("ベンチマーク終了\n計算時間 : %1秒").arg(m_dBenchTotal, 0, 'f', 2);
    CMessageBox::Show(this, result, QMessageBox::Information);
    doc.m_benchmarkRunning = 0;
    doc.RestoreParameters();
    RenderLoadedParameters();
}
