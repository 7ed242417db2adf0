// The twelve standard strings of a file's version resource.
#pragma once

#include "framework/Afx.h"

class CVersionInfo {
public:
    enum { kFieldCount = 12 };

    CVersionInfo();
    virtual ~CVersionInfo();

    // Reads the string block of the file's first translation. A field whose key is missing,
    // and every field of a file without a usable version resource, becomes "-".
    void Read(const CString& path);
    void Clear();
    // An index outside 0 to 11 is ignored.
    void SetField(int index, const CString& value);

    CString GetFileVersion() const { return m_fields[2]; }
    CString GetLegalCopyright() const { return m_fields[4]; }

protected:
    // In the order of the version resource's standard keys (CompanyName first).
    CString m_fields[kFieldCount];
};
