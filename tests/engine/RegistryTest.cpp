#include "Registry.h"

#include <gtest/gtest.h>

#include "DebugLog.h"
#include "TestSupport.h"

using testing_support::LogCapture;
using testing_support::readFile;
using testing_support::ScopedEnvironment;
using testing_support::TempRegistry;

namespace {

const char* const kStore =
    "Windows Registry Editor Version 5.00\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Kendry]\n"
    "\"Name\"=\"machine\"\n"
    "\"Expand\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,5c,00,78,00,00,00\n"
    "\"Max\"=dword:ffffffff\n"
    "\"List\"=hex(7):61,00,00,00,62,00,00,00,63,00,00,00,00,00\n"
    "\"Gaps\"=hex(7):00,00,61,00,00,00,00,00,62,00,00,00,00,00\n"
    "\"Blob\"=hex:01,02,03\n"
    "\"Empty\"=hex:\n"
    "\"Short\"=hex(4):07\n"
    "\"Unterminated\"=hex(1):41,00,42,00\n"
    "@=\"default\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Classes\\.txt]\n"
    "@=\"txtfile\"\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\Kendry]\n"
    "\"Name\"=\"user\"\n"
    "\n"
    "[HKEY_USERS\\.DEFAULT\\Software\\Kendry]\n"
    "\"Name\"=\"users\"\n"
    "\n"
    "[HKEY_CURRENT_CONFIG\\Software\\Kendry]\n"
    "\"Name\"=\"config\"\n";

// Swaps the process-wide logger for one with the given mask.
class LoggerMask {
public:
    explicit LoggerMask(std::uint32_t mask) : m_saved(theDebugLogger) {
        theDebugLogger = DebugLogger(mask);
    }
    ~LoggerMask() { theDebugLogger = m_saved; }
    LoggerMask(const LoggerMask&) = delete;
    LoggerMask& operator=(const LoggerMask&) = delete;

private:
    DebugLogger m_saved;
};

// The UTF-16 store file as text (each unit's low byte; the fixtures are ASCII).
std::string storeText(const TempRegistry& store) {
    const std::string bytes = readFile(store.path());
    std::string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += bytes[i];
    return text;
}

class RegistryTest : public ::testing::Test {
protected:
    RegistryTest() { m_store.writeUtf16(kStore); }

    ScopedEnvironment m_locale{"LC_ALL", "C"};
    LoggerMask m_mask{0};
    TempRegistry m_store;
};

RegValue valueOfType(int type, std::uint32_t number = 0, const char* text = "") {
    RegValue value;
    value.type = type;
    value.number = number;
    value.text = text;
    return value;
}

} // namespace

TEST_F(RegistryTest, RootNamesAndPathsIgnoreCaseAndUnknownRootsAreLogged) {
    struct Case {
        const char* root;
        const char* path;
        const char* name;
        const char* text;
        const char* logged; // empty: nothing
    };
    const Case cases[] = {
        {"HKLM", "Software\\Kendry", "Name", "machine", ""},
        {"hklm", "SOFTWARE\\kendry\\", "NAME", "machine", ""},
        {"HKCU", "Software\\Kendry", "Name", "user", ""},
        {"HKU", ".DEFAULT\\Software\\Kendry", "Name", "users", ""},
        {"HKCR", ".txt", "", "txtfile", ""},
        {"HKCC", "Software\\Kendry", "Name", "config", ""},
        {"HKLM", "Software\\Missing", "Name", "", ""},
        {"HKLM", "Software\\Kendry", "Missing", "", ""},
        {"HKEY_LOCAL_MACHINE", "Software\\Kendry", "Name", "",
         "Registry.cpp:Registry::getRootKey("},
    };
    for (const Case& c : cases) {
        LogCapture capture;
        Registry registry;
        EXPECT_EQ(registry.readValueText(c.root, c.path, c.name), c.text) << c.root << c.path;
        if (*c.logged) {
            EXPECT_TRUE(capture.contains(c.logged)) << capture.text();
            EXPECT_TRUE(capture.contains(std::string("): invalid root key ") + c.root + "\n"))
                << capture.text();
        } else {
            EXPECT_EQ(capture.text(), "") << c.root << " " << c.path;
        }
    }
    Registry registry;
    EXPECT_TRUE(registry.keyExists("HKLM", "Software"));
    EXPECT_TRUE(registry.keyExists("HKLM", ""));
    EXPECT_FALSE(registry.keyExists("HKLM", "Soft"));
}

TEST_F(RegistryTest, ValuesReadByTheirStoredType) {
    struct Case {
        const char* name;
        bool read;
        int type;
        std::uint32_t number;
        const char* text;
        std::vector<CStdStr> list;
        const char* asText;
    };
    const Case cases[] = {
        {"Name", true, VALUE_STRING, 0, "machine", {}, "machine"},
        {"", true, VALUE_STRING, 0, "default", {}, "default"},
        {"Expand", true, VALUE_EXPAND_STRING, 0, "%TEMP%\\x", {}, "%TEMP%\\x"},
        {"Max", true, VALUE_DWORD, 4294967295u, "", {}, "-1"},
        {"Short", true, VALUE_DWORD, 7, "", {}, "7"},
        {"Unterminated", true, VALUE_STRING, 0, "AB", {}, "AB"},
        {"List", true, VALUE_MULTI_STRING, 0, "", {"a", "b", "c"}, "|a|b|c"},
        {"Gaps", true, VALUE_MULTI_STRING, 0, "", {"a", "b"}, "|a|b"},
        {"Blob", false, VALUE_NONE, 0, "", {}, ""},
        // No data at all: the caller's record is left alone.
        {"Empty", false, VALUE_BINARY, 0, "", {}, ""},
    };
    Registry registry;
    for (const Case& c : cases) {
        RegValue value = valueOfType(VALUE_BINARY);
        EXPECT_EQ(registry.ReadValue("HKLM", "Software\\Kendry", c.name, value), c.read) << c.name;
        EXPECT_EQ(value.type, c.type) << c.name;
        EXPECT_EQ(value.number, c.number) << c.name;
        EXPECT_EQ(value.text, c.text) << c.name;
        EXPECT_EQ(value.list, c.list) << c.name;
        EXPECT_EQ(registry.readValueText("HKLM", "Software\\Kendry", c.name), c.asText) << c.name;
    }
}

TEST_F(RegistryTest, UnsupportedTypeIsReportedOnlyAsADiagnosticNote) {
    const char* const note = "): registry entry Blob had unsupported data type 3\n";
    for (std::uint32_t mask : {0u, 1u}) {
        LoggerMask logger(mask);
        LogCapture capture;
        Registry registry;
        RegValue value;
        EXPECT_FALSE(registry.ReadValue("HKLM", "Software\\Kendry", "Blob", value));
        if (mask == 0) {
            EXPECT_EQ(capture.text(), "");
        } else {
            EXPECT_TRUE(capture.contains(note)) << capture.text();
            EXPECT_EQ(capture.text().find('\n'), capture.text().size() - 1) << capture.text();
        }
    }
}

TEST_F(RegistryTest, WritesStoreEachKindAndRefuseTheOthers) {
    struct Case {
        RegValue value;
        const char* line; // as stored; empty: the write fails
        const char* readBack;
        const char* logged;
    };
    const Case cases[] = {
        {valueOfType(VALUE_DWORD, 4294967295u), "\"W\"=dword:ffffffff", "-1", ""},
        {valueOfType(VALUE_STRING, 0, "C:\\a \"b\""), "\"W\"=\"C:\\\\a \\\"b\\\"\"", "C:\\a \"b\"",
         ""},
        {valueOfType(VALUE_EXPAND_STRING, 0, "%T%"), "\"W\"=hex(2):25,00,54,00,25,00,00,00", "%T%",
         ""},
        {valueOfType(VALUE_BINARY, 0, "A0F"), "\"W\"=hex:a0,f0", "", ""},
        {valueOfType(VALUE_BINARY, 0, ""), "\"W\"=hex:", "", ""},
        {valueOfType(VALUE_MULTI_STRING), "", "",
         "): unsupported registry type Reg_Multi_String\n"},
        {valueOfType(9), "", "", "): unsupported registry type 9\n"},
    };
    for (const Case& c : cases) {
        m_store.writeUtf16(kStore);
        LogCapture capture;
        Registry registry;
        const bool written = registry.WriteValue("HKLM", "Software\\Kendry", "W", c.value);
        EXPECT_EQ(written, *c.line != '\0') << c.line;
        if (written) {
            EXPECT_NE(storeText(m_store).find(std::string("@=\"default\"\r\n") + c.line + "\r\n"),
                      std::string::npos)
                << storeText(m_store);
            EXPECT_EQ(capture.text(), "");
        } else {
            EXPECT_EQ(storeText(m_store).find("\"W\""), std::string::npos);
            EXPECT_TRUE(capture.contains(c.logged)) << capture.text();
        }
        EXPECT_EQ(registry.readValueText("HKLM", "Software\\Kendry", "W"), c.readBack);
    }
}

TEST_F(RegistryTest, WritingUnderAMissingKeyFailsSilentlyAndCreatesNothing) {
    const std::string before = readFile(m_store.path());
    LogCapture capture;
    Registry registry;
    for (const char* root : {"HKLM", "HKCU", "HKCR"}) {
        EXPECT_FALSE(registry.WriteValue(root, "Software\\Kendry\\Missing", "W",
                                         valueOfType(VALUE_DWORD, 1)));
        EXPECT_FALSE(registry.keyExists(root, "Software\\Kendry\\Missing"));
    }
    EXPECT_EQ(readFile(m_store.path()), before);
    EXPECT_EQ(capture.text(), "");
}

TEST_F(RegistryTest, ClassesRootIsTheMachineClassesKey) {
    Registry registry;
    EXPECT_TRUE(registry.WriteValue("HKCR", ".txt", "Content Type",
                                    valueOfType(VALUE_STRING, 0, "text/plain")));
    EXPECT_EQ(registry.readValueText("HKLM", "Software\\Classes\\.txt", "content type"),
              "text/plain");
    EXPECT_NE(storeText(m_store).find("@=\"txtfile\"\r\n\"Content Type\"=\"text/plain\"\r\n"),
              std::string::npos);
}

TEST_F(RegistryTest, AnotherComputerCannotBeReachedAndEachAttemptSaysSo) {
    LogCapture capture;
    Registry registry("FARAWAY");
    EXPECT_EQ(registry.getRootKey("HKCU"), nullptr);
    EXPECT_EQ(registry.getRootKey("HKCC"), nullptr);
    EXPECT_EQ(capture.text(), "");

    const std::string message = "): could not access computer FARAWAY (error 53)\n";
    EXPECT_EQ(registry.readValueText("HKLM", "Software\\Kendry", "Name"), "");
    EXPECT_FALSE(registry.keyExists("HKU", ".DEFAULT"));
    EXPECT_FALSE(registry.keyExists("HKCR", ".txt"));
    const std::string text = capture.text();
    size_t count = 0;
    for (size_t at = text.find(message); at != std::string::npos; at = text.find(message, at + 1))
        ++count;
    EXPECT_EQ(count, 3u) << text;
    EXPECT_NE(text.find("Registry.cpp:Registry::getRemoteKey("), std::string::npos);

    registry.setMachine("faraway"); // the same computer: nothing changes
    EXPECT_EQ(registry.getRootKey("HKCU"), nullptr);
    registry.setMachine("");
    EXPECT_EQ(registry.readValueText("HKLM", "Software\\Kendry", "Name"), "machine");
    EXPECT_EQ(registry.readValueText("HKCU", "Software\\Kendry", "Name"), "user");
}

TEST(DebugLoggerMaskTest, TheLogValueInTheStoreGatesDiagnosticNotes) {
    struct Case {
        const char* values; // lines under HKLM\Software\Pellam; null: no store file
        std::uint32_t mask;
    };
    const Case cases[] = {
        {"\"Log\"=dword:00000001\n", 1},
        {"\"log\"=dword:80000000\n", 0x80000000u},
        {"\"Other\"=dword:00000001\n", 0},
        {"\"Log\"=\"1\"\n", 0},
        {nullptr, 0},
    };
    for (const Case& c : cases) {
        TempRegistry store;
        if (c.values)
            store.writeUtf16(std::string("Windows Registry Editor Version 5.00\n\n"
                                         "[HKEY_LOCAL_MACHINE\\Software\\Pellam]\n") +
                             c.values);
        DebugLogger logger;
        EXPECT_EQ(logger.mask(), c.mask) << (c.values ? c.values : "no store");
        LogCapture capture;
        logger.setLocation(1, ".\\Registry.cpp", "Registry::ReadValue");
        logger.write(LOG_INFO, "note");
        EXPECT_EQ(capture.contains("Registry.cpp:Registry::ReadValue(1): note\n"), c.mask == 1);
    }
}
