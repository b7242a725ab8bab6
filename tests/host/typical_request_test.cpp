// The host's typical request, through ksr.dll's exports by ordinal.

#include <cstring>
#include <string>

#include "host_module.h"

namespace {

using namespace ksr::ordinals;

const HostModule& m() { return hostModule(); }

std::string moduleDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(m().handle(), path, MAX_PATH);
    std::string text = path;
    return text.substr(0, text.size() - std::strlen("ksr.dll"));
}

}  // namespace

TEST(TypicalRequest, ModuleInformation) {
    const char* text = nullptr;
    EXPECT_EQ(m().call<int32_t>(kDLLGetName, &text), 0);
    EXPECT_STREQ(text, "KSR Array");
    EXPECT_EQ(m().call<int32_t>(kDLLGetManufacturer, &text), 0);
    EXPECT_STREQ(text, "QTO");
    EXPECT_EQ(m().call<int32_t>(kDLLGetDataResolution, &text), 0);
    EXPECT_STREQ(text, "5\xB0 Complex Data");
    EXPECT_EQ(m().call<int32_t>(kDLLVersion), 1000030);
    EXPECT_EQ(m().call<int32_t>(kDLLGetCaps, int32_t{1}), -1);
    EXPECT_EQ(m().call<int32_t>(kDLLGetCaps, int32_t{5}), 1);
    EXPECT_EQ(m().call<int32_t>(kDLLGetCaps, int32_t{4}), 0);
    int32_t bands[KSR_BAND_COUNT] = {};
    EXPECT_EQ(m().call<int32_t>(kDLLGetValidBands, bands), 0);
    for (int32_t valid : bands) EXPECT_EQ(valid, -1);
}

TEST(TypicalRequest, AirInstanceDesignAndFilter) {
    // (2) The air.
    const float air[] = {340.0f, 55.0f, 18.0f, 1005.0f};
    for (int32_t index = 1; index <= 4; ++index) {
        float value = air[index - 1];
        EXPECT_EQ(m().call<int32_t>(kRP_SetValue, index, &value), 0);
        EXPECT_EQ(value, air[index - 1]);
    }
    float tooHot = 150.0f;
    EXPECT_EQ(m().call<int32_t>(kRP_SetValue, int32_t{3}, &tooHot), 0);
    EXPECT_EQ(tooHot, 100.0f);
    char label[KSR_LABEL_BUFFER_SIZE] = {};
    EXPECT_EQ(m().call<int32_t>(kRP_GetLabel, int32_t{3}, label), 0);
    EXPECT_STREQ(label, "Air Temperature");

    // (3) A new instance with the default design, made current.
    const int32_t id = m().call<int32_t>(kCI_GetFreeID);
    ASSERT_GE(id, 1);
    ASSERT_EQ(m().call<int32_t>(kCI_MakeCurrent, id), 0);
    EXPECT_EQ(m().call<int32_t>(kCI_GetComponents), 4);

    // (4) The record version, then a 12-box design.
    SetupRecord record{};
    EXPECT_EQ(m().call<int32_t>(kIP_GetValue, int32_t{1}, &record), 0);
    EXPECT_EQ(record.version, 52);
    record.boxCount = 12;
    record.gridElevation = -2.0f;
    record.hostValue = 1;
    for (int i = 0; i < KSR_MAX_COMPONENTS; ++i) record.boxes[i] = {i == 0 ? 42 : 6, -2.0f - i, 0.0f};
    record.groundStacked = 0;
    EXPECT_EQ(m().call<int32_t>(kIP_SetValue, int32_t{1}, &record), 0);
    SetupRecord back{};
    back.version = 52;
    EXPECT_EQ(m().call<int32_t>(kIP_GetValue, int32_t{1}, &back), 0);
    EXPECT_EQ(back.boxCount, 12);
    EXPECT_EQ(back.boxes[0].boxType, 5);  // unknown type normalised
    EXPECT_EQ(back.boxes[1].boxType, 6);
    EXPECT_EQ(back.boxes[11].boxElevation, -13.0f);
    EXPECT_EQ(m().call<int32_t>(kCI_GetComponents), 12);
    EXPECT_EQ(m().call<int32_t>(kDLLGetComponents), 12);

    // A version-51 read fills 208 bytes and no more.
    unsigned char raw[KSR_SETUP_V52_SIZE];
    std::memset(raw, 0xEE, sizeof raw);
    const int32_t v51 = 51;
    std::memcpy(raw, &v51, sizeof v51);
    EXPECT_EQ(m().call<int32_t>(kIP_GetValue, int32_t{1}, reinterpret_cast<SetupRecord*>(raw)), 0);
    for (int i = KSR_SETUP_V51_SIZE; i < KSR_SETUP_V52_SIZE; ++i) EXPECT_EQ(raw[i], 0xEE);

    // (5) The filter, clamped in place.
    float gain[KSR_BAND_COUNT], phase[KSR_BAND_COUNT];
    for (int i = 0; i < KSR_BAND_COUNT; ++i) {
        gain[i] = i == 0 ? 6.0f : -3.0f;
        phase[i] = i == 0 ? -200.0f : 10.0f;
    }
    EXPECT_EQ(m().call<int32_t>(kIP_SetFilter, gain, phase), 0);
    EXPECT_EQ(gain[0], 0.0f);
    EXPECT_EQ(phase[0], -180.0f);

    // (9) Release.
    EXPECT_EQ(m().call<int32_t>(kCI_Release), 0);
    EXPECT_EQ(m().call<int32_t>(kCI_Release), -1);
}

TEST(TypicalRequest, NoCurrentInstanceAnswersMinusOne) {
    ASSERT_EQ(m().call<int32_t>(kCI_MakeCurrent, int32_t{0}), -1);
    while (m().call<int32_t>(kCI_Release) == 0) {
    }
    SetupRecord record{};
    record.version = 52;
    EXPECT_EQ(m().call<int32_t>(kCI_GetComponents), -1);
    EXPECT_EQ(m().call<int32_t>(kIP_SetValue, int32_t{1}, &record), -1);
    EXPECT_EQ(m().call<int32_t>(kIP_GetValue, int32_t{1}, &record), -1);
    EXPECT_EQ(m().call<int32_t>(kIP_GetValue, int32_t{1}, static_cast<SetupRecord*>(nullptr)), -1);
}

TEST(TypicalRequest, HelpDocumentIsNamedAndInstalled) {
    char files[KSR_FILES_BUFFER_SIZE] = {};
    EXPECT_EQ(m().call<int32_t>(kDLLGetFiles, files), 0);
    EXPECT_EQ(std::string(files), moduleDirectory() + "ksr_help.pdf");

    char temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string target = std::string(temp) + "ksr-install-test";
    CreateDirectoryA(target.c_str(), nullptr);
    const std::string source = std::string(temp) + "ksr-companion.txt";
    HANDLE file = CreateFileA(source.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, "help", 4, &written, nullptr);
    CloseHandle(file);

    const std::string copied = target + "\\ksr-companion.txt";
    DeleteFileA(copied.c_str());
    EXPECT_NE(m().call<int32_t>(kDLLInitLibrary, (target + "\\host.exe").c_str()), 0);
    EXPECT_EQ(m().call<int32_t>(kDLLInitLibrary, ""), 0);  // keeps the directory
    EXPECT_EQ(m().call<int32_t>(kDLLInstallFiles, target.c_str()), 0);  // a directory: nothing
    EXPECT_EQ(m().call<int32_t>(kDLLInstallFiles, source.c_str()), 0);
    EXPECT_EQ(GetFileAttributesA(copied.c_str()) != INVALID_FILE_ATTRIBUTES, true);
    DeleteFileA(copied.c_str());
    DeleteFileA(source.c_str());
    RemoveDirectoryA(target.c_str());
}

TEST(TypicalRequest, FlagOne) {
    int32_t out = 5;
    const int32_t on = 1, off = 0;
    EXPECT_EQ(m().call<int32_t>(kDLLSetFlag, int32_t{1}, &on), 0);
    EXPECT_EQ(m().call<int32_t>(kDLLGetFlag, int32_t{1}, &out), 0);
    EXPECT_EQ(out, -1);
    EXPECT_EQ(m().call<int32_t>(kDLLSetFlag, int32_t{1}, &off), 0);
    EXPECT_EQ(m().call<int32_t>(kDLLGetFlag, int32_t{1}, &out), 0);
    EXPECT_EQ(out, 0);
}
