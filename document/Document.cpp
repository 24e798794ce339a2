#include "document/Document.h"

bool CDocument::OnNewDocument() {
    m_strPathName.clear();
    m_bModified = false;
    return true;
}

void CDocument::SetPathName(const std::string& path) {
    m_strPathName = path;
    const std::size_t slash = path.find_last_of('/');
    m_strTitle = slash == std::string::npos ? path : path.substr(slash + 1);
}
