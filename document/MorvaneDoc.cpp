#include "document/MorvaneDoc.h"

#include "document/DeepExtension.h"

#include <cmath>

namespace {

double ReadReal(CArchive& ar) {
    const double value = ar.ReadDouble();
    if (!std::isfinite(value)) {
        throw CArchiveException(CArchiveException::badFormat);
    }
    return value;
}

std::int32_t ReadInRange(CArchive& ar, std::int32_t low, std::int32_t high) {
    const std::int32_t value = ar.ReadInt32();
    if (value < low || value > high) {
        throw CArchiveException(CArchiveException::badFormat);
    }
    return value;
}

}  // namespace

CMorvaneDoc::CMorvaneDoc(int workerCount) : m_engine(workerCount), m_backupEngine(workerCount) {
    ResetParameters();
}

CMorvaneDoc::~CMorvaneDoc() {
    m_engine.StopWorkers();
}

bool CMorvaneDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument()) {
        return false;
    }
    ResetParameters();
    return true;
}

void CMorvaneDoc::ResetParameters() {
    m_engine.StopIfBusy();
    m_fileSignature = "Velmora";
    m_fileVersion = "0.3";
    m_engine.m_kind = 0;
    m_engine.SetDefaultRegion();
    m_engine.m_juliaRe = -0.725;
    m_engine.m_juliaIm = 0.21;
    m_iterationLimit = 100;
    m_colorCount = 100;
    m_colorPattern = 0;
    m_imageWidth = 240;
    m_imageHeight = 240;
    m_benchmarkRunning = 0;
}

void CMorvaneDoc::BackupParameters() {
    m_backupEngine.CopyParameters(m_engine);
    m_backupIterationLimit = m_iterationLimit;
    m_backupColorCount = m_colorCount;
    m_backupColorPattern = m_colorPattern;
    m_backupImageWidth = m_imageWidth;
    m_backupImageHeight = m_imageHeight;
}

void CMorvaneDoc::RestoreParameters() {
    m_engine.StopIfBusy();
    m_engine.CopyParameters(m_backupEngine);
    m_iterationLimit = m_backupIterationLimit;
    m_colorCount = m_backupColorCount;
    m_colorPattern = m_backupColorPattern;
    m_imageWidth = m_backupImageWidth;
    m_imageHeight = m_backupImageHeight;
}

void CMorvaneDoc::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        Store(ar);
    } else {
        Load(ar);
    }
}

void CMorvaneDoc::Store(CArchive& ar) const {
    ar.WriteString(m_fileSignature);
    ar.WriteString(m_fileVersion);
    ar.WriteInt32(m_engine.m_kind);
    ar.WriteDouble(m_engine.m_xMin);
    ar.WriteDouble(m_engine.m_xMax);
    ar.WriteDouble(m_engine.m_yMin);
    ar.WriteDouble(m_engine.m_yMax);
    ar.WriteDouble(m_engine.m_juliaRe);
    ar.WriteDouble(m_engine.m_juliaIm);
    ar.WriteInt32(m_iterationLimit);
    ar.WriteInt32(m_colorCount);
    ar.WriteInt32(m_colorPattern);
    ar.WriteInt32(m_imageWidth);
    ar.WriteInt32(m_imageHeight);
    ar.WriteDouble(m_engine.m_otherXMin);
    ar.WriteDouble(m_engine.m_otherXMax);
    ar.WriteDouble(m_engine.m_otherYMin);
    ar.WriteDouble(m_engine.m_otherYMax);
    StoreDeepExtension(ar, m_engine);
}

// Every value goes into its member as soon as it has been read and accepted;
// a value the program could not use (a non-finite real, a limit, count or size
// out of range) refuses the file before it is stored.
void CMorvaneDoc::Load(CArchive& ar) {
    if (ar.ReadString() != m_fileSignature) {
        throw CArchiveException(CArchiveException::badFormat);
    }
    // Versions compare as byte strings: "0.25" is older than "0.3", "0.30" newer.
    const std::string version = ar.ReadString();
    if (version > m_fileVersion) {
        throw CArchiveException(CArchiveException::badFormat);
    }
    const bool older = version < m_fileVersion;
    m_engine.StopIfBusy();
    m_engine.m_kind = ar.ReadInt32();
    m_engine.m_xMin = ReadReal(ar);
    m_engine.m_xMax = ReadReal(ar);
    m_engine.m_yMin = ReadReal(ar);
    m_engine.m_yMax = ReadReal(ar);
    m_engine.m_juliaRe = ReadReal(ar);
    m_engine.m_juliaIm = ReadReal(ar);
    if (!older) {
        m_iterationLimit = ReadInRange(ar, 1, kMaxIterationLimit);
    }
    m_colorCount = ReadInRange(ar, 1, kMaxColorCount);
    m_colorPattern = ar.ReadInt32();
    m_imageWidth = ReadInRange(ar, 1, kMaxImageSide);
    m_imageHeight = ReadInRange(ar, 1, kMaxImageSide);
    m_engine.m_otherXMin = ReadReal(ar);
    m_engine.m_otherXMax = ReadReal(ar);
    m_engine.m_otherYMin = ReadReal(ar);
    m_engine.m_otherYMax = ReadReal(ar);
    if (older) {
        m_iterationLimit = m_colorCount;
    }
    LoadDeepExtension(ar, m_engine);
}
