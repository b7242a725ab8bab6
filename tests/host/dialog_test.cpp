// The design dialog as a user meets it: IP_ShowDialog(1) runs the real modal
// dialog on the test thread while a second thread works it through its
// controls, file dialogs and message boxes. Afterwards the design applied to
// the instance is read back with IP_GetValue, and written files from disk.

#include <windows.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "dialog_driver.h"
#include "dialog_runner.h"
#include "host_module.h"

namespace {

using namespace ksr::ordinals;

using dialog_driver::DesignDialog;

constexpr const char* kImportTitle = "KSR VELT File Import";
constexpr const char* kExportTitle = "KSR VELT File Export";
constexpr const char* kImportErrorCaption = "KSR VELT Import Error";
constexpr const char* kExportErrorCaption = "KSR VELT Export Error";
constexpr const char* kMissingHelpCaption = "Error opening KSR help file";
constexpr const char* kHomePage = "https://www.qto-audio.example/";
constexpr const char* kFamilyPage = "https://www.qto-audio.example/products/ksr/";

HostModule& m() {
    return hostModule();
}

// A version-52 design: boxes of the given types (the last repeated up to 16),
// box 0 at the grid and every box angle degrees below the one above.
SetupRecord designOf(std::initializer_list<int32_t> types, float angle = 0.0f, float grid = 0.0f) {
    SetupRecord record{};
    record.version = KSR_SETUP_V52;
    record.boxCount = static_cast<int32_t>(types.size());
    record.gridElevation = grid;
    record.hostValue = 1;
    int32_t type = 5;
    auto next = types.begin();
    for (int i = 0; i < KSR_MAX_COMPONENTS; ++i) {
        if (next != types.end()) type = *next++;
        record.boxes[i] = {type, grid + angle * static_cast<float>(i), 0.0f};
    }
    return record;
}

std::string directoryOf(const std::string& path) {
    return path.substr(0, path.find_last_of('\\') + 1);
}

// The folder of this program and of ksr.dll, with a trailing backslash.
std::string buildDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return directoryOf(path);
}

std::optional<std::string> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool fileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A fresh folder under the temporary directory, removed with its files.
class TempFolder {
public:
    explicit TempFolder(const std::string& name) {
        char base[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, base);
        path_ = std::string(base) + name + "_" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TempFolder() {
        WIN32_FIND_DATAA entry{};
        HANDLE find = FindFirstFileA((path_ + "*").c_str(), &entry);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileA((path_ + entry.cFileName).c_str());
            } while (FindNextFileA(find, &entry));
            FindClose(find);
        }
        RemoveDirectoryA(path_.c_str());
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string operator/(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

// Makes open_recorder the program that opens ".pdf" documents and "https"
// addresses for the shell, logging to a file, and puts the registry back as
// it was afterwards.
class ShellOpeners {
public:
    explicit ShellOpeners(std::string log) : log_(std::move(log)) {
        DeleteFileA(log_.c_str());
        SetEnvironmentVariableA("KSR_OPEN_LOG", log_.c_str());
        const std::string command = "\"" + buildDirectory() + "open_recorder.exe\" \"%1\"";
        set(kProgramKey, command);
        set(".pdf", kProgram);
        set("https\\shell\\open\\command", command);
    }
    ~ShellOpeners() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) restore(*it);
        SetEnvironmentVariableA("KSR_OPEN_LOG", nullptr);
    }
    ShellOpeners(const ShellOpeners&) = delete;
    ShellOpeners& operator=(const ShellOpeners&) = delete;

    // The targets opened so far (the last argument of each logged command).
    std::vector<std::string> opened() const {
        std::vector<std::string> targets;
        std::istringstream lines(readFile(log_).value_or(""));
        for (std::string line; std::getline(lines, line);) {
            const size_t end = line.find_last_of('"');
            const size_t start = end == std::string::npos ? end : line.find_last_of('"', end - 1);
            if (start != std::string::npos) targets.push_back(line.substr(start + 1, end - start - 1));
        }
        return targets;
    }

    // Waits until count targets were opened.
    bool waitForOpened(size_t count) const {
        return dialog_driver::waitFor([&] { return opened().size() >= count; });
    }

private:
    static constexpr const char* kProgram = "KsrDialogTest.Opener";
    static constexpr const char* kProgramKey = "KsrDialogTest.Opener\\shell\\open\\command";

    struct Saved {
        std::string key;
        bool existed;
        std::optional<std::string> value;
    };

    void set(const std::string& key, const std::string& value) {
        Saved saved{key, false, std::nullopt};
        HKEY handle = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS) {
            saved.existed = true;
            char buffer[1024] = {};
            DWORD size = sizeof buffer;
            if (RegQueryValueExA(handle, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) ==
                ERROR_SUCCESS) {
                saved.value = buffer;
            }
            RegCloseKey(handle);
        }
        saved_.push_back(saved);
        if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) ==
            ERROR_SUCCESS) {
            RegSetValueExA(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1));
            RegCloseKey(handle);
        }
    }

    static void restore(const Saved& saved) {
        if (!saved.existed) {
            RegDeleteTreeA(HKEY_CLASSES_ROOT, saved.key.c_str());
            if (saved.key == kProgramKey) RegDeleteTreeA(HKEY_CLASSES_ROOT, kProgram);
            return;
        }
        HKEY handle = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, saved.key.c_str(), 0, KEY_WRITE, &handle) != ERROR_SUCCESS) return;
        if (saved.value) {
            RegSetValueExA(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(saved.value->c_str()),
                           static_cast<DWORD>(saved.value->size() + 1));
        } else {
            RegDeleteValueA(handle, nullptr);
        }
        RegCloseKey(handle);
    }

    std::string log_;
    std::vector<Saved> saved_;
};

// Runs a program to its end; its standard output with plain newlines, or
// nullopt when it did not start or end in time.
std::optional<std::string> runProgram(const std::string& commandLine) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return std::nullopt;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    std::string line = commandLine;
    const BOOL started =
        CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    std::string output;
    if (started) {
        char buffer[512];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) {
            for (DWORD i = 0; i < got; ++i) {
                if (buffer[i] != '\r') output.push_back(buffer[i]);
            }
        }
    }
    CloseHandle(readEnd);
    if (!started) return std::nullopt;
    const bool ended = WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (!ended) return std::nullopt;
    return output;
}

// The colour of a pixel of a window, as painted.
COLORREF pixelOf(HWND window, POINT clientPoint) {
    RECT frame{};
    GetWindowRect(window, &frame);
    POINT screen = clientPoint;
    ClientToScreen(window, &screen);
    HDC dc = GetWindowDC(window);
    const COLORREF colour = GetPixel(dc, screen.x - frame.left, screen.y - frame.top);
    ReleaseDC(window, dc);
    return colour;
}

HCURSOR cursorShown() {
    CURSORINFO info{};
    info.cbSize = sizeof info;
    GetCursorInfo(&info);
    return info.hCursor;
}

void pointAt(HWND window) {
    RECT frame{};
    GetWindowRect(window, &frame);
    SetCursorPos((frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2);
}

class DesignDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        const int32_t id = m().call<int32_t>(kCI_GetFreeID);
        ASSERT_GT(id, 0);
        ASSERT_EQ(m().call<int32_t>(kCI_MakeCurrent, id), 0);
    }
    void TearDown() override { m().call<int32_t>(kCI_Release); }

    static void setDesign(const SetupRecord& record) {
        ASSERT_EQ(m().call<int32_t>(kIP_SetValue, int32_t{1}, &record), 0);
    }

    static SetupRecord appliedDesign() {
        SetupRecord record{};
        record.version = KSR_SETUP_V52;
        EXPECT_EQ(m().call<int32_t>(kIP_GetValue, int32_t{1}, &record), 0);
        return record;
    }

    // IP_ShowDialog(1) on this thread while drive works the dialog from a
    // second one and ends it; a dialog left open fails the test.
    static int32_t showDialog(const std::function<void(const DesignDialog&)>& drive) {
        return dialog_driver::runWithDialog([] { return m().call<int32_t>(kIP_ShowDialog, int32_t{1}); }, drive);
    }

    // IP_ShowDialog(index) when it must open nothing: a dialog that opens
    // anyway fails the test and is cancelled.
    static int32_t showDialogExpectingNone(int32_t index) {
        bool returned = false;
        std::thread watcher([&] {
            HWND window = dialog_driver::waitForWindow(dialog_driver::kDesignCaption, 2000);
            if (window != nullptr && !returned) {
                ADD_FAILURE() << "a dialog opened";
                PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
            }
        });
        const int32_t result = m().call<int32_t>(kIP_ShowDialog, index);
        returned = true;
        watcher.join();
        return result;
    }
};

}  // namespace

TEST_F(DesignDialogTest, OpensForIndexOneAndACurrentInstanceOnly) {
    EXPECT_EQ(showDialogExpectingNone(2), -1);
    EXPECT_EQ(showDialogExpectingNone(0), -1);
    ASSERT_EQ(m().call<int32_t>(kCI_Release), 0);
    EXPECT_EQ(showDialogExpectingNone(1), -1);
    SetUp();  // TearDown releases an instance again
}

TEST_F(DesignDialogTest, OpensOnTheInstancesDesignAndCancelAppliesItAgain) {
    SetupRecord record = designOf({4, 4, 4, 6, 6, 6}, -2.0f, 3.0f);
    record.boxes[1].boxGain = 1.5f;
    record.boxes[2].boxGain = -2.5f;
    setDesign(record);
    EXPECT_EQ(showDialog([](const DesignDialog& d) {
                  EXPECT_EQ(d.rowCount(), 6);
                  EXPECT_EQ(d.chosen(IDC_COMBO_COUNT), " 6");
                  EXPECT_EQ(d.text(IDC_EDIT_GRID), "3");
                  EXPECT_EQ(d.selectedRows(), std::vector<int>{0});
                  EXPECT_FALSE(d.checked(IDC_CHECK_GROUND_STACKED));
                  d.selectRows({1});
                  EXPECT_EQ(d.chosen(IDC_COMBO_TYPE), "KSR51 V");
                  EXPECT_EQ(d.chosen(IDC_COMBO_PRESET), "Standard");
                  EXPECT_EQ(d.text(IDC_EDIT_ANGLE), "-2");
                  EXPECT_EQ(d.text(IDC_EDIT_GAIN), "-1.0");
                  d.selectRows({2});
                  EXPECT_EQ(d.text(IDC_EDIT_GAIN), " 2.0");
                  d.cancel();
              }),
              0);
    const SetupRecord after = appliedDesign();
    EXPECT_EQ(after.boxCount, 6);
    // Gains cross in whole decibels, even when the user cancels.
    EXPECT_EQ(after.boxes[1].boxGain, 1.0f);
    EXPECT_EQ(after.boxes[2].boxGain, -2.0f);
    EXPECT_EQ(after.boxes[5].boxType, 6);
    EXPECT_EQ(after.boxes[5].boxElevation, -7.0f);
    EXPECT_EQ(after.gridElevation, 3.0f);
}

TEST_F(DesignDialogTest, TheCountIsBroughtIntoFourToSixteenOnOpening) {
    for (auto [stored, shown] : {std::pair{2, 4}, std::pair{20, 16}}) {
        SetupRecord record = designOf({5});
        record.boxCount = stored;
        setDesign(record);
        EXPECT_EQ(showDialog([shown = shown](const DesignDialog& d) {
                      EXPECT_EQ(d.rowCount(), shown);
                      EXPECT_EQ(d.chosen(IDC_COMBO_COUNT),
                                shown < 10 ? " " + std::to_string(shown) : std::to_string(shown));
                      d.cancel();
                  }),
                  0);
        EXPECT_EQ(appliedDesign().boxCount, shown) << stored;
    }
}

TEST_F(DesignDialogTest, BoxZeroOffTheGridKeepsItsAngleUntilTheElevationsAreRecomputed) {
    SetupRecord record = designOf({4, 4, 4, 4}, -1.0f, 3.0f);
    for (int i = 0; i < KSR_MAX_COMPONENTS; ++i) record.boxes[i].boxElevation -= 2.0f;
    setDesign(record);
    EXPECT_EQ(showDialog([](const DesignDialog& d) {
                  EXPECT_EQ(d.text(IDC_EDIT_ANGLE), "-2");
                  d.typeAndEnter(IDC_EDIT_GRID, "3");
                  d.ok();
              }),
              0);
    const SetupRecord after = appliedDesign();
    EXPECT_EQ(after.boxes[0].boxElevation, 1.0f);
    EXPECT_EQ(after.boxes[3].boxElevation, -2.0f);
}

TEST_F(DesignDialogTest, EditsTheSelectedBoxesThroughFieldsAndSpins) {
    setDesign(designOf({4, 4, 4, 4, 4, 4}, -2.0f));
    EXPECT_EQ(showDialog([](const DesignDialog& d) {
                  d.selectRows({1});
                  EXPECT_TRUE(d.enabled(IDC_EDIT_ANGLE));
                  // The fields take Enter themselves.
                  for (int field : {IDC_EDIT_ANGLE, IDC_EDIT_GAIN, IDC_EDIT_GRID}) {
                      EXPECT_NE(SendMessageA(d.item(field), WM_GETDLGCODE, VK_RETURN, 0) & DLGC_WANTALLKEYS, 0);
                  }
                  d.typeAndEnter(IDC_EDIT_ANGLE, "-3.7");
                  EXPECT_EQ(d.text(IDC_EDIT_ANGLE), "-3");
                  d.typeAndLeave(IDC_EDIT_GAIN, "-3.24");
                  EXPECT_EQ(d.text(IDC_EDIT_GAIN), "-3.5");

                  // Several rows: one angle field cannot show them all, the
                  // spins step the current (first) box and write every row.
                  d.selectRows({1, 4});
                  EXPECT_FALSE(d.enabled(IDC_EDIT_ANGLE));
                  EXPECT_TRUE(d.enabled(IDC_SPIN_ANGLE));
                  d.spin(IDC_SPIN_ANGLE, -1);
                  EXPECT_EQ(d.text(IDC_EDIT_ANGLE), "-4");
                  d.spin(IDC_SPIN_GAIN, -1);
                  EXPECT_EQ(d.text(IDC_EDIT_GAIN), "-4.0");

                  // Box 0 always hangs at the grid angle.
                  d.selectRows({0});
                  EXPECT_TRUE(d.enabled(IDC_EDIT_ANGLE));
                  d.typeAndEnter(IDC_EDIT_ANGLE, "5");
                  EXPECT_EQ(d.text(IDC_EDIT_ANGLE), " 0");
                  d.spin(IDC_SPIN_ANGLE, 1);
                  EXPECT_EQ(d.text(IDC_EDIT_ANGLE), " 0");

                  d.selectRows({2});
                  d.typeAndEnter(IDC_EDIT_GAIN, "-3.5");
                  EXPECT_EQ(d.text(IDC_EDIT_GAIN), "-3.5");

                  // The arrow keys in a field step it through its spin.
                  d.selectRows({3});
                  d.focus(IDC_EDIT_ANGLE);
                  SendMessageA(d.item(IDC_EDIT_ANGLE), WM_KEYDOWN, VK_UP, 0);
                  SendMessageA(d.item(IDC_EDIT_ANGLE), WM_KEYUP, VK_UP, 0);
                  EXPECT_EQ(d.text(IDC_EDIT_ANGLE), "-1");
                  d.ok();
              }),
              0);
    const SetupRecord after = appliedDesign();
    const float elevations[6] = {0.0f, -4.0f, -6.0f, -7.0f, -11.0f, -13.0f};
    const float gains[6] = {0.0f, 4.0f, 3.0f, 0.0f, 4.0f, 0.0f};  // -3.5 dB arrives as 3: whole decibels
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(after.boxes[i].boxElevation, elevations[i]) << i;
        EXPECT_EQ(after.boxes[i].boxGain, gains[i]) << i;
        EXPECT_EQ(after.boxes[i].boxType, 4) << i;
    }
}

TEST_F(DesignDialogTest, TheGridFieldReadsSixCharactersAndWholeDegrees) {
    setDesign(designOf({4, 4, 4, 4}, -1.0f));
    EXPECT_EQ(showDialog([](const DesignDialog& d) {
                  d.typeAndEnter(IDC_EDIT_GRID, "12.7");
                  EXPECT_EQ(d.text(IDC_EDIT_GRID), "12");
                  d.typeAndEnter(IDC_EDIT_GRID, "-12.345");
                  EXPECT_EQ(d.text(IDC_EDIT_GRID), "-12");
                  // Text that is no number keeps the focus in the field.
                  d.typeAndLeave(IDC_EDIT_GRID, "abc");
                  EXPECT_TRUE(dialog_driver::waitFor(
                      [&] { return dialog_driver::focusOf(d.window()) == d.item(IDC_EDIT_GRID); }));
                  EXPECT_EQ(d.text(IDC_EDIT_GRID), "abc");
                  // Enter from the keyboard reaches the field, not the dialog.
                  SetWindowTextA(d.item(IDC_EDIT_GRID), "7.9");
                  PostMessageA(d.item(IDC_EDIT_GRID), WM_KEYDOWN, VK_RETURN, 0);
                  EXPECT_TRUE(dialog_driver::waitFor([&] { return d.text(IDC_EDIT_GRID) == "7"; }));
                  EXPECT_TRUE(IsWindowVisible(d.window()));
                  d.ok();
              }),
              0);
    const SetupRecord after = appliedDesign();
    EXPECT_EQ(after.gridElevation, 7.0f);
    EXPECT_EQ(after.boxes[0].boxElevation, 7.0f);
    EXPECT_EQ(after.boxes[3].boxElevation, 4.0f);
}

TEST_F(DesignDialogTest, SurvivesAnythingTypedIntoItsFields) {
    setDesign(designOf({4, 4, 4, 4, 4}, -1.0f));
    EXPECT_EQ(showDialog([](const DesignDialog& d) {
                  d.selectRows({2});
                  const std::string junk[] = {std::string(3000, 'x'),        "nan", "-inf", "1e39", "--1", "",
                                              std::string("\x01\x7f\xff", 3)};
                  for (const std::string& text : junk) {
                      const std::string shown = text.substr(0, 16);
                      for (int field : {IDC_EDIT_ANGLE, IDC_EDIT_GAIN}) {
                          d.typeAndEnter(field, text);
                          // Ignored: the text stays until the field is shown again.
                          EXPECT_EQ(d.text(field).substr(0, 16), shown);
                          d.spin(field == IDC_EDIT_ANGLE ? IDC_SPIN_ANGLE : IDC_SPIN_GAIN, 1);
                          EXPECT_EQ(d.text(field).substr(0, 16), shown);
                      }
                      d.typeAndLeave(IDC_EDIT_GRID, text);
                      EXPECT_TRUE(dialog_driver::waitFor(
                          [&] { return dialog_driver::focusOf(d.window()) == d.item(IDC_EDIT_GRID); }));
                  }
                  // Huge numbers land on the rules' ends.
                  d.typeAndEnter(IDC_EDIT_ANGLE, "1e30");
                  EXPECT_EQ(d.text(IDC_EDIT_ANGLE), " 0");
                  d.typeAndEnter(IDC_EDIT_ANGLE, "-999999999999999");
                  EXPECT_EQ(d.text(IDC_EDIT_ANGLE), "-10");
                  d.typeAndEnter(IDC_EDIT_GAIN, "-1e30");
                  EXPECT_EQ(d.text(IDC_EDIT_GAIN), "-99.0");
                  d.spin(IDC_SPIN_GAIN, 1);
                  EXPECT_EQ(d.text(IDC_EDIT_GAIN), "-12.0");
                  d.typeAndEnter(IDC_EDIT_GRID, "1e30");
                  EXPECT_EQ(d.text(IDC_EDIT_GRID), "2147483647");
                  d.typeAndEnter(IDC_EDIT_GRID, "-2");
                  d.ok();
              }),
              0);
    const SetupRecord after = appliedDesign();
    EXPECT_EQ(after.gridElevation, -2.0f);
    EXPECT_EQ(after.boxes[2].boxElevation, -13.0f);
    EXPECT_EQ(after.boxes[2].boxGain, 12.0f);
    for (const SetupRecordBox& box : after.boxes) {
        EXPECT_TRUE(std::isfinite(box.boxElevation));
        EXPECT_TRUE(std::isfinite(box.boxGain));
    }
}

TEST_F(DesignDialogTest, KSR527IsNotOfferedBelowKSR516AndAtTheTopItTurnsTheBoxesBelow) {
    setDesign(designOf({0, 0, 0, 0, 0, 0}, -2.0f));
    EXPECT_EQ(showDialog([](const DesignDialog& d) {
                  d.selectRows({1});
                  EXPECT_EQ(d.entries(IDC_COMBO_TYPE), (std::vector<std::string>{"KB340", "KBS450", "KSR516"}));
                  EXPECT_FALSE(d.choose(IDC_COMBO_TYPE, "KSR527"));
                  d.selectRows({0});
                  EXPECT_EQ(d.entries(IDC_COMBO_TYPE),
                            (std::vector<std::string>{"KB340", "KBS450", "KSR516", "KSR527", "KSR51 V", "KSR52 V"}));
                  EXPECT_TRUE(d.choose(IDC_COMBO_TYPE, "KSR527"));
                  d.selectRows({5});
                  EXPECT_EQ(d.chosen(IDC_COMBO_TYPE), "KSR527");
                  d.ok();
              }),
              0);
    const SetupRecord after = appliedDesign();
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(after.boxes[i].boxType, 2) << i;
        EXPECT_EQ(after.boxes[i].boxElevation, -2.0f * static_cast<float>(i)) << i;
    }
}

TEST_F(DesignDialogTest, TheArrayCarriesOnePreset) {
    setDesign(designOf({5, 7, 5, 5}));
    EXPECT_EQ(showDialog([](const DesignDialog& d) {
                  d.selectRows({1});
                  EXPECT_EQ(d.chosen(IDC_COMBO_TYPE), "KSR52 V");
                  EXPECT_EQ(d.entries(IDC_COMBO_PRESET), (std::vector<std::string>{"Standard", "FIR Curve"}));
                  EXPECT_EQ(d.chosen(IDC_COMBO_PRESET), "FIR Curve");
                  // A new model keeps the FIR Curve preset the list shows.
                  EXPECT_TRUE(d.choose(IDC_COMBO_TYPE, "KSR51 V"));
                  EXPECT_EQ(d.chosen(IDC_COMBO_PRESET), "FIR Curve");
                  // Standard turns every line box of the array.
                  EXPECT_TRUE(d.choose(IDC_COMBO_PRESET, "Standard"));
                  // A single cabinet offers Standard only.
                  d.selectRows({3});
                  EXPECT_TRUE(d.choose(IDC_COMBO_TYPE, "KB340"));
                  EXPECT_EQ(d.entries(IDC_COMBO_PRESET), std::vector<std::string>{"Standard"});
                  EXPECT_EQ(d.chosen(IDC_COMBO_PRESET), "Standard");
                  d.ok();
              }),
              0);
    const SetupRecord after = appliedDesign();
    const int32_t types[4] = {4, 4, 4, 8};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(after.boxes[i].boxType, types[i]) << i;
}

TEST_F(DesignDialogTest, TheCabinetCountKeepsTheBoxesBeyondIt) {
    SetupRecord record = designOf({4, 4, 4, 4, 4, 4, 4, 4, 4, 4});
    for (int i = 0; i < KSR_MAX_COMPONENTS; ++i) record.boxes[i].boxGain = static_cast<float>(i);
    setDesign(record);
    EXPECT_EQ(showDialog([](const DesignDialog& d) {
                  EXPECT_EQ(d.rowCount(), 10);
                  d.selectRows({7});
                  // Fewer cabinets: the table is refilled and box 0 selected.
                  EXPECT_TRUE(d.choose(IDC_COMBO_COUNT, " 6"));
                  EXPECT_EQ(d.rowCount(), 6);
                  EXPECT_EQ(d.selectedRows(), std::vector<int>{0});
                  EXPECT_EQ(d.text(IDC_EDIT_GAIN), " 0.0");
                  // More cabinets: rows are appended, the selection stays.
                  d.selectRows({2});
                  EXPECT_TRUE(d.choose(IDC_COMBO_COUNT, "10"));
                  EXPECT_EQ(d.rowCount(), 10);
                  EXPECT_EQ(d.selectedRows(), std::vector<int>{2});
                  d.selectRows({8});
                  EXPECT_EQ(d.text(IDC_EDIT_GAIN), "-8.0");
                  // The table never stays without a selection: the row under
                  // the caret is selected again, and edits still reach it.
                  d.selectRows({});
                  EXPECT_EQ(d.selectedRows(), std::vector<int>{8});
                  d.typeAndEnter(IDC_EDIT_GAIN, "-9");
                  EXPECT_EQ(d.text(IDC_EDIT_GAIN), "-9.0");
                  d.ok();
              }),
              0);
    const SetupRecord after = appliedDesign();
    EXPECT_EQ(after.boxCount, 10);
    EXPECT_EQ(after.boxes[8].boxGain, 9.0f);
    EXPECT_EQ(after.boxes[9].boxGain, 9.0f);
}

TEST_F(DesignDialogTest, GroundStackedFollowsItsCheckBoxOnOkOnly) {
    struct Step {
        bool ok;
        int32_t expected;
    };
    for (const Step step : {Step{true, 1}, Step{false, 1}, Step{true, 0}}) {
        EXPECT_EQ(showDialog([&](const DesignDialog& d) {
                      d.click(IDC_CHECK_GROUND_STACKED);
                      step.ok ? d.ok() : d.cancel();
                  }),
                  0);
        EXPECT_EQ(appliedDesign().groundStacked, step.expected);
    }
}

TEST_F(DesignDialogTest, OkCloseBoxAndKeysEndTheDialog) {
    struct Ending {
        const char* name;
        bool applies;
        std::function<void(const DesignDialog&)> end;
    };
    const Ending endings[] = {
        {"OK while the gain field has the focus", true, [](const DesignDialog& d) { d.ok(); }},
        {"Enter outside the value fields", true,
         [](const DesignDialog& d) {
             d.focus(IDC_LIST_BOXES);
             PostMessageA(d.item(IDC_LIST_BOXES), WM_KEYDOWN, VK_RETURN, 0);
         }},
        {"Escape outside the value fields", false,
         [](const DesignDialog& d) {
             d.focus(IDC_LIST_BOXES);
             PostMessageA(d.item(IDC_LIST_BOXES), WM_KEYDOWN, VK_ESCAPE, 0);
         }},
        {"the close box", false, [](const DesignDialog& d) { PostMessageA(d.window(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const Ending& ending : endings) {
        setDesign(designOf({4, 4, 4, 4}));
        EXPECT_EQ(showDialog([&](const DesignDialog& d) {
                      d.focus(IDC_EDIT_GAIN);
                      SetWindowTextA(d.item(IDC_EDIT_GAIN), "-6");
                      ending.end(d);
                  }),
                  0)
            << ending.name;
        EXPECT_EQ(appliedDesign().boxes[0].boxGain, ending.applies ? 6.0f : 0.0f) << ending.name;
    }
}

TEST_F(DesignDialogTest, ImportsThroughTheOpenDialog) {
    const std::string fixtures = buildDirectory() + "dialog_fixtures\\";
    struct Case {
        const char* file;
        bool groundStacked;
        std::array<int32_t, 4> types;
        std::array<float, 4> elevations;
        std::array<float, 4> gains;
    };
    const Case cases[] = {
        // KSR516 and KSR527 in one file come in as KSR51 V and KSR52 V; the
        // rigging grid row is skipped.
        {"mixed_models.velt", false, {4, 4, 6, 6}, {0.0f, -1.0f, -3.0f, -7.0f}, {1.0f, 0.0f, 3.0f, 6.0f}},
        // Ground stacked: the file's angles are negated; three boxes become
        // four by repeating the last.
        {"ground_stacked.velt", true, {4, 4, 6, 6}, {0.0f, 2.0f, 6.0f, 10.0f}, {0.0f, 2.0f, 4.0f, 4.0f}},
    };
    for (const Case& c : cases) {
        setDesign(designOf({5, 5, 5, 5, 5, 5, 5, 5}));
        EXPECT_EQ(showDialog([&](const DesignDialog& d) {
                      dialog_driver::postClick(d.window(), IDC_BUTTON_IMPORT);
                      HWND open = dialog_driver::answerFileDialog(kImportTitle, fixtures + c.file);
                      ASSERT_NE(open, nullptr);
                      ASSERT_TRUE(dialog_driver::waitUntilGone(open));
                      EXPECT_TRUE(dialog_driver::waitFor([&] { return d.rowCount() == 4; }));
                      EXPECT_EQ(d.chosen(IDC_COMBO_COUNT), " 4");
                      EXPECT_EQ(d.checked(IDC_CHECK_GROUND_STACKED), c.groundStacked);
                      d.ok();
                  }),
                  0)
            << c.file;
        const SetupRecord after = appliedDesign();
        EXPECT_EQ(after.boxCount, 4) << c.file;
        EXPECT_EQ(after.groundStacked, c.groundStacked ? 1 : 0) << c.file;
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(after.boxes[i].boxType, c.types[i]) << c.file << " box " << i;
            EXPECT_EQ(after.boxes[i].boxElevation, c.elevations[i]) << c.file << " box " << i;
            EXPECT_EQ(after.boxes[i].boxGain, c.gains[i]) << c.file << " box " << i;
        }
    }
}

TEST_F(DesignDialogTest, AnImportWithoutValidDataOrCancelledChangesNothing) {
    const std::string fixtures = buildDirectory() + "dialog_fixtures\\";
    setDesign(designOf({6, 6, 6, 6, 6}, -3.0f));
    EXPECT_EQ(showDialog([&](const DesignDialog& d) {
                  dialog_driver::postClick(d.window(), IDC_BUTTON_IMPORT);
                  ASSERT_NE(dialog_driver::answerFileDialog(kImportTitle, fixtures + "no_box_count.velt"), nullptr);
                  EXPECT_EQ(dialog_driver::answerMessageBox(kImportErrorCaption),
                            "Error: This file contains no valid data.\n");
                  dialog_driver::postClick(d.window(), IDC_BUTTON_IMPORT);
                  EXPECT_TRUE(dialog_driver::cancelFileDialog(kImportTitle));
                  EXPECT_EQ(d.rowCount(), 5);
                  d.ok();
              }),
              0);
    const SetupRecord after = appliedDesign();
    EXPECT_EQ(after.boxCount, 5);
    EXPECT_EQ(after.boxes[4].boxType, 6);
    EXPECT_EQ(after.boxes[4].boxElevation, -12.0f);
}

TEST_F(DesignDialogTest, ExportsThroughTheSaveDialogInEitherVersion) {
    TempFolder folder("ksr_dialog_export");
    const std::string current = folder / "current.velt";
    const std::string older = folder / "older.velt";
    setDesign(designOf({5, 5, 5, 5, 5, 5}));
    EXPECT_EQ(showDialog([&](const DesignDialog& d) {
                  d.selectRows({1});
                  d.typeAndEnter(IDC_EDIT_GAIN, "-2.5");

                  dialog_driver::postClick(d.window(), IDC_BUTTON_EXPORT);
                  HWND save = dialog_driver::answerFileDialog(kExportTitle, current, [](HWND dialog) {
                      HWND radio = dialog_driver::descendantWithId(dialog, IDC_RADIO_VELT_CURRENT);
                      EXPECT_EQ(SendMessageA(radio, BM_GETCHECK, 0, 0), BST_CHECKED);
                  });
                  ASSERT_NE(save, nullptr);
                  ASSERT_TRUE(dialog_driver::waitUntilGone(save));

                  dialog_driver::postClick(d.window(), IDC_BUTTON_EXPORT);
                  save = dialog_driver::answerFileDialog(kExportTitle, older, [](HWND dialog) {
                      SendMessageA(dialog_driver::descendantWithId(dialog, IDC_RADIO_VELT_V21), BM_CLICK, 0, 0);
                  });
                  ASSERT_NE(save, nullptr);
                  ASSERT_TRUE(dialog_driver::waitUntilGone(save));
                  EXPECT_TRUE(dialog_driver::waitFor([&] { return fileExists(older); }));

                  // Over an existing file: the user is asked first; its other
                  // records stay, the main array is replaced.
                  EXPECT_TRUE(d.choose(IDC_COMBO_COUNT, " 5"));
                  dialog_driver::postClick(d.window(), IDC_BUTTON_EXPORT);
                  save = dialog_driver::answerFileDialog(kExportTitle, current);
                  ASSERT_NE(save, nullptr);
                  HWND ask = dialog_driver::waitForOwnedWindow(save);
                  ASSERT_NE(ask, nullptr) << "no question before overwriting";
                  PostMessageA(ask, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
                  ASSERT_TRUE(dialog_driver::waitUntilGone(save));
                  d.cancel();
              }),
              0);

    const std::optional<std::string> olderText = readFile(older);
    ASSERT_TRUE(olderText);
    EXPECT_NE(olderText->find("-1, \"Array.Main.RigType\", 1\r\n"), std::string::npos);
    EXPECT_NE(olderText->find("-1, \"Array.Main.BoxCount\", 6\r\n"), std::string::npos);
    EXPECT_NE(olderText->find(" -2, \"Box.Main.Type\"\r\n 1,\"KSR-51V\"\r\n 1,\"KSR-51V\"\r\n"), std::string::npos);
    EXPECT_NE(olderText->find(" -2, \"Box.Main.Level\"\r\n 1, 0.0\r\n 1, -2.5\r\n 1, 0.0\r\n"), std::string::npos);
    EXPECT_NE(olderText->find("VELT Export Blank Template"), std::string::npos);

    // Written again over the first file with five boxes: the file of six
    // boxes but for the count, the sixth row of each array now padding.
    std::string expected = *olderText;
    const std::string six = "-1, \"Array.Main.BoxCount\", 6\r\n";
    expected.replace(expected.find(six), six.size(), "-1, \"Array.Main.BoxCount\", 5\r\n");
    for (const char* key : {"\"Box.Main.Type\"", "\"Box.Main.Level\"", "\"Box.Main.Angle\""}) {
        size_t row = expected.find("\r\n", expected.find(key)) + 2;
        for (int i = 0; i < 5; ++i) row = expected.find("\r\n", row) + 2;
        expected.replace(row, expected.find("\r\n", row) + 2 - row, " 1,0\r\n");
    }
    EXPECT_EQ(readFile(current), expected);
}

TEST_F(DesignDialogTest, AFailedExportTellsTheUserAndKeepsTheFile) {
    TempFolder folder("ksr_dialog_locked");
    const std::string target = folder / "locked.velt";
    const std::string content = "-1, \"Array.Main.BoxCount\", 2\r\nthe user's own project\r\n";
    std::ofstream(target, std::ios::binary) << content;
    // Another program holds the file open and lets nobody read it.
    HANDLE lock = CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    setDesign(designOf({5, 5, 5, 5}));
    EXPECT_EQ(showDialog([&](const DesignDialog& d) {
                  dialog_driver::postClick(d.window(), IDC_BUTTON_EXPORT);
                  HWND save = dialog_driver::answerFileDialog(kExportTitle, target);
                  ASSERT_NE(save, nullptr);
                  HWND ask = dialog_driver::waitForOwnedWindow(save);
                  ASSERT_NE(ask, nullptr);
                  PostMessageA(ask, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
                  const std::string message = dialog_driver::answerMessageBox(kExportErrorCaption);
                  EXPECT_NE(message.find("locked.velt\" cannot be read"), std::string::npos) << message;
                  EXPECT_NE(message.find("unchanged"), std::string::npos) << message;
                  d.cancel();
              }),
              0);
    CloseHandle(lock);
    EXPECT_EQ(readFile(target), content);
}

TEST_F(DesignDialogTest, AnExportThatWouldLoseTextIsRefusedAndNamesTheRecord) {
    TempFolder folder("ksr_dialog_refused");
    const struct {
        const char* name;
        std::string content;
        const char* named;
    } cases[] = {
        {"notes.velt", "VELT header line\r\nVenue \"My hall\", 1\r\n -1, \"Array.Main.BoxCount\", 4\r\n",
         "holds no \"Array.Main.RigType\" record"},
        {"swapped.velt",
         "-1, \"Array.Main.RigType\", 1\r\n-1, \"Array.Main.BoxCount\", 1\r\n"
         " -2, \"Box.Main.Level\"\r\n 1,-3\r\n 0, \"Box.Main.Level\"\r\n"
         " -2, \"Box.Main.Type\"\r\n 1,\"KSR-516\"\r\n 0, \"Box.Main.Type\"\r\n"
         " -2, \"Box.Main.Angle\"\r\n 1,0\r\n 0, \"Box.Main.Angle\"\r\n",
         "holds \"Box.Main.Level\" before the end of \"Box.Main.Type\""},
    };
    for (const auto& c : cases) std::ofstream(folder / c.name, std::ios::binary) << c.content;
    setDesign(designOf({5, 5, 5, 5}));
    EXPECT_EQ(showDialog([&](const DesignDialog& d) {
                  for (const auto& c : cases) {
                      dialog_driver::postClick(d.window(), IDC_BUTTON_EXPORT);
                      HWND save = dialog_driver::answerFileDialog(kExportTitle, folder / c.name);
                      ASSERT_NE(save, nullptr) << c.name;
                      HWND ask = dialog_driver::waitForOwnedWindow(save);
                      ASSERT_NE(ask, nullptr) << c.name;
                      PostMessageA(ask, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
                      const std::string message = dialog_driver::answerMessageBox(kExportErrorCaption);
                      EXPECT_NE(message.find(std::string(c.name) + "\" " + c.named), std::string::npos) << message;
                      EXPECT_NE(message.find("It is unchanged."), std::string::npos) << message;
                  }
                  d.cancel();
              }),
              0);
    for (const auto& c : cases) EXPECT_EQ(readFile(folder / c.name), c.content) << c.name;
}

TEST_F(DesignDialogTest, PicturesOpenTheHelpDocumentAndTheMakersPages) {
    const std::string help = buildDirectory() + "ksr_help.pdf";
    ASSERT_TRUE(fileExists(help)) << "the help document is built beside ksr.dll (target ksr_help)";
    TempFolder folder("ksr_dialog_links");
    const ShellOpeners openers(folder / "opened.log");
    EXPECT_EQ(showDialog([&](const DesignDialog& d) {
                  d.clickPicture(IDC_PICTURE_HELP);
                  ASSERT_TRUE(openers.waitForOpened(1));
                  d.clickPicture(IDC_PICTURE_MAKER_LOGO);
                  ASSERT_TRUE(openers.waitForOpened(2));
                  d.clickPicture(IDC_PICTURE_FAMILY_LOGO);
                  ASSERT_TRUE(openers.waitForOpened(3));
                  d.clickPicture(IDC_PICTURE_VELT_VIEW);
                  ASSERT_TRUE(openers.waitForOpened(4));
                  // The cabinet picture is handled without a window; a link
                  // clicked after it is the mark that its turn is over.
                  EXPECT_TRUE(d.clickPictureAndWait(IDC_PICTURE_CABINET));
                  EXPECT_EQ(dialog_driver::waitForOwnedWindow(d.window(), 0), nullptr);
                  d.clickPicture(IDC_PICTURE_VELT_VIEW);
                  ASSERT_TRUE(openers.waitForOpened(5));
                  d.cancel();
              }),
              0);
    const std::vector<std::string> opened = openers.opened();
    ASSERT_EQ(opened.size(), 5u);
    EXPECT_EQ(lstrcmpiA(opened[0].c_str(), help.c_str()), 0) << opened[0];
    EXPECT_EQ(opened[1], kHomePage);
    EXPECT_EQ(opened[2], kFamilyPage);
    EXPECT_EQ(opened[3], kFamilyPage);
    EXPECT_EQ(opened[4], kFamilyPage);
}

TEST_F(DesignDialogTest, HelpIsMissingBesideACopyAndSilentUnderAnotherName) {
    TempFolder missing("ksr_dialog_nohelp");
    TempFolder renamed("ksr_dialog_renamed");
    const std::string module = buildDirectory() + "ksr.dll";
    ASSERT_TRUE(CopyFileA(module.c_str(), (missing / "ksr.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(module.c_str(), (renamed / "ksr_other.dll").c_str(), FALSE));
    std::ofstream(renamed / "ksr_help.pdf") << "%PDF-1.4\n";
    const ShellOpeners openers(missing / "opened.log");
    const std::string probe = "\"" + buildDirectory() + "dialog_probe.exe\" ";

    EXPECT_EQ(runProgram(probe + "\"" + (missing / "ksr.dll") + "\""),
              std::string("box: File ksr_help.pdf does not exist.\n"));
    EXPECT_EQ(runProgram(probe + "\"" + (renamed / "ksr_other.dll") + "\""), std::string("no box\n"));
    EXPECT_TRUE(openers.opened().empty());
}

TEST_F(DesignDialogTest, TheMakersLogoShowsTheHandCursor) {
    EXPECT_EQ(showDialog([](const DesignDialog& d) {
                  HCURSOR hand = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));
                  HCURSOR arrow = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
                  pointAt(d.item(IDC_PICTURE_MAKER_LOGO));
                  EXPECT_TRUE(dialog_driver::waitFor([&] { return cursorShown() == hand; }));
                  for (int other : {IDC_PICTURE_CABINET, IDC_PICTURE_FAMILY_LOGO}) {
                      pointAt(d.item(other));
                      EXPECT_TRUE(dialog_driver::waitFor([&] { return cursorShown() == arrow; })) << other;
                  }
                  d.cancel();
              }),
              0);
}

TEST_F(DesignDialogTest, TheTableHasABlueHeaderBandAndAlternatingRows) {
    setDesign(designOf({4, 4, 4, 4, 4}));
    EXPECT_EQ(showDialog([](const DesignDialog& d) {
                  HWND list = d.item(IDC_LIST_BOXES);
                  d.selectRows({1});
                  RECT client{};
                  GetClientRect(list, &client);
                  // The band lies above the client area, inside the border.
                  RECT frame{};
                  GetWindowRect(list, &frame);
                  POINT origin{0, 0};
                  ClientToScreen(list, &origin);
                  EXPECT_GE(origin.y - frame.top, 18);
                  const POINT band{3, -9};
                  EXPECT_TRUE(dialog_driver::waitFor([&] { return pixelOf(list, band) == RGB(0, 0, 255); }));
                  const COLORREF rows[] = {RGB(204, 255, 204), RGB(0, 0, 136), RGB(204, 255, 204), RGB(255, 255, 255)};
                  for (int row = 0; row < 4; ++row) {
                      RECT item{};
                      SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
                      EXPECT_EQ(item.top, row * (item.bottom - item.top))
                          << "the first row begins right below the band";
                      const POINT inside{3, item.top + 3};
                      EXPECT_TRUE(dialog_driver::waitFor([&] { return pixelOf(list, inside) == rows[row]; }))
                          << "row " << row << " has " << std::hex << pixelOf(list, inside);
                  }
                  d.cancel();
              }),
              0);
}
