#pragma once
// Language texts from an en.nls the test writes, cleared again at the end.

#include <string>

#include "NlsFile.h"
#include "TestSupport.h"

namespace texts_fixture {

class Texts {
public:
    explicit Texts(const std::string& content) {
        testing_support::writeFile(m_dir.file("en.nls"), content);
        NlsFile::LoadFile(m_dir.enginePath("en.nls"), "en");
    }
    ~Texts() { theTextStore.Clear(); }
    Texts(const Texts&) = delete;
    Texts& operator=(const Texts&) = delete;

private:
    testing_support::TempDir m_dir;
};

} // namespace texts_fixture
