#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "document/Archive.h"
#include "document/Document.h"
#include "engine/FractalEngine.h"

// The parameters of the picture being worked on, the engine that renders it,
// and a backup of both while the benchmark runs.
class CMorvaneDoc : public CDocument {
public:
    // The largest values a parameter file may hold; anything else is refused.
    // A limit costs time, not memory: every positive one is taken.
    static constexpr std::int32_t kMaxIterationLimit = std::numeric_limits<std::int32_t>::max();
    static constexpr std::int32_t kMaxColorCount = 1000000;
    static constexpr std::int32_t kMaxImageSide = 16384;

    // workerCount 0: one render worker per processor.
    explicit CMorvaneDoc(int workerCount = 0);
    ~CMorvaneDoc() override;

    bool OnNewDocument() override;
    // Writes or reads the parameter file. Loading stops the render first and
    // throws CArchiveException for a file it refuses or that ends too soon.
    void Serialize(CArchive& ar);
    void ResetParameters();
    void BackupParameters();
    void RestoreParameters();

    CFractalEngine m_engine;
    std::int32_t m_iterationLimit = 0;
    std::int32_t m_colorCount = 0;
    std::int32_t m_colorPattern = 0;
    std::int32_t m_imageWidth = 0;
    std::int32_t m_imageHeight = 0;
    std::int32_t m_benchmarkRunning = 0;
    CFractalEngine m_backupEngine;
    std::int32_t m_backupIterationLimit = 0;
    std::int32_t m_backupColorCount = 0;
    std::int32_t m_backupColorPattern = 0;
    std::int32_t m_backupImageWidth = 0;
    std::int32_t m_backupImageHeight = 0;
    std::string m_fileSignature;
    std::string m_fileVersion;

private:
    void Store(CArchive& ar) const;
    void Load(CArchive& ar);
};
