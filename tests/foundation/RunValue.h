// The start-with-Windows value "Quillet" of a hive's Run key, read and put
// back by the tests that change it (under the value's ctest lock).
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <vector>

constexpr wchar_t kTestRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kTestRunValue[] = L"Quillet";

struct RegValue {
    DWORD type;
    std::vector<BYTE> data;
};

inline std::optional<RegValue> ReadRun(HKEY hive)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(hive, kTestRunKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    RegValue value{ 0, std::vector<BYTE>(8192) };
    DWORD bytes = static_cast<DWORD>(value.data.size());
    const LONG result = RegQueryValueExW(key, kTestRunValue, nullptr, &value.type, value.data.data(), &bytes);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return std::nullopt;
    value.data.resize(bytes);
    return value;
}

// None deletes the value.
inline void WriteRun(HKEY hive, const std::optional<RegValue>& value)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(hive, kTestRunKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (value)
        RegSetValueExW(key, kTestRunValue, 0, value->type, value->data.data(), static_cast<DWORD>(value->data.size()));
    else
        RegDeleteValueW(key, kTestRunValue);
    RegCloseKey(key);
}
