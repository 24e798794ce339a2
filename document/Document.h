#pragma once

#include <string>

// What every document has apart from its data: a path, a title and a
// modified flag.
class CDocument {
public:
    virtual ~CDocument() = default;

    // Clears the path and the modified flag; false would abandon the new document.
    virtual bool OnNewDocument();

    const std::string& GetPathName() const { return m_strPathName; }
    // Takes the path and, as the title, its file name.
    void SetPathName(const std::string& path);
    const std::string& GetTitle() const { return m_strTitle; }
    void SetTitle(const std::string& title) { m_strTitle = title; }
    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true) { m_bModified = modified; }

private:
    std::string m_strPathName;
    std::string m_strTitle;
    bool m_bModified = false;
};
