#pragma once

#include <QString>

namespace velumo::alerts {

// libxml2 and xmlsec (with its OpenSSL back end) are made ready once per process, on whichever
// thread first needs them; their own printing to stderr is silenced. Each returns when done.
void initXmlLibraries();

// Collects the first error the two libraries report on this thread while it lives (they report
// through callbacks, not return values).
class XmlErrors {
public:
    XmlErrors();
    ~XmlErrors();
    XmlErrors(const XmlErrors&) = delete;
    XmlErrors& operator=(const XmlErrors&) = delete;

    const QString& first() const { return m_first; }
    // For the libraries' callbacks: the collector of this thread, or none.
    static void note(const QString& text);

private:
    QString m_first;
    QString* m_previous;
};

}  // namespace velumo::alerts
