// What may be handed to the shell: web addresses only, and arguments that stand as one word.

#include "ShellLaunch.h"

#include <gtest/gtest.h>

TEST(ShellLaunch, OnlyHttpAndHttpsAddressesAreWebAddresses)
{
    const struct {
        const wchar_t* address;
        bool web;
    } cases[] = {
        {L"http://127.0.0.1:8080/downloads/TalvoraSetup.exe", true},
        {L"https://downloads.example/setup.exe", true},
        {L"HTTPS://downloads.example/setup.exe", true},
        {L"hTtP://x", true},
        {L"file:///C:/Windows/System32/calc.exe", false},
        {L"C:\\Windows\\System32\\calc.exe", false},
        {L"\\\\server\\share\\setup.exe", false},
        {L"javascript:alert(1)", false},
        {L"ms-settings:", false},
        {L"httpx://downloads.example", false},
        {L"http:downloads.example", false},
        {L" http://downloads.example", false},
        {L"http", false},
        {L"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShellLaunch::isWebAddress(c.address), c.web) << c.address;
}

TEST(ShellLaunch, PlainArgumentsHoldNoBlankQuoteOrControlCharacter)
{
    const struct {
        const wchar_t* text;
        bool plain;
    } cases[] = {
        {L"48213", true},
        {L"a1c3e5f7092b4d6f8a0c2e4f6b8d0f12", true},
        {L"tok-en_1.2+/=", true},
        {L"caf\u00e9", true},
        {L"", false},
        {L"tok en", false},
        {L"tok\ten", false},
        {L"tok\u00a0en", false},
        {L"tok\"en", false},
        {L"\"", false},
        {L"tok\r\nen", false},
        {L"tok\x01", false},
        {L"tok\x7f", false},
        {L"48213 --evil", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShellLaunch::isPlainArgument(c.text), c.plain) << c.text;
}
