#include "Log.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <regex>

using TestSupport::LogCapture;

namespace {

class LogTest : public testing::Test {
protected:
    void SetUp() override { Log::close(); }
    void TearDown() override { Log::close(); }
};

int evaluations = 0;
int counted()
{
    return ++evaluations;
}

template <class T, int N>
struct Painter {
    void paint() { TVZ_LOG("painting"); }
};
struct Button {};

} // namespace

TEST_F(LogTest, NothingIsWrittenOrEvaluatedWhileClosed)
{
    LogCapture log;
    evaluations = 0;
    TVZ_LOG("before the first open " << counted());
    Log::open(getLogFilePath());
    TVZ_LOG("open " << counted());
    Log::close();
    TVZ_LOG("after close " << counted());
    Log::open(getLogFilePath());
    TVZ_LOG("reopened");

    EXPECT_EQ(evaluations, 1);
    EXPECT_EQ(log.messages(), (std::vector<std::string>{"open 1", "reopened"}));
}

TEST_F(LogTest, LineFormat)
{
    LogCapture log;
    Log::open(getLogFilePath());
    const int line = __LINE__ + 1;
    TVZ_LOG("hello " << 42 << " " << std::wstring(L"wide") << ' ' << -7);
    Log::close();

    const std::string text = log.text();
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(text.find('\r'), std::string::npos);
    const std::regex format(R"(\[(\d{1,2})-(\d{1,2}) (\d{1,2}):(\d{1,2}):(\d{1,2})\.(\d{1,3})\]LogTests\.cpp\[)"
                            R"(LogTest_LineFormat_Test::TestBody:(\d+)\]: hello 42 wide -7\n)");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(text, match, format)) << text;
    EXPECT_EQ(std::stoi(match[7]), line);
    for (int field = 1; field <= 6; ++field)
        EXPECT_TRUE(match[field].str() == "0" || match[field].str()[0] != '0') << "padded field " << field;
}

TEST_F(LogTest, HexPiecesDoNotLeakIntoLaterPiecesOrLines)
{
    LogCapture log;
    Log::open(getLogFilePath());
    TVZ_LOG("COM Error: 0x" << Log::hex(static_cast<long>(0x80004005)) << " then " << 255);
    TVZ_LOG(255);
    TVZ_LOG("pointer " << reinterpret_cast<const void*>(0xABCDEF12));
    Log::close();

    const auto messages = log.messages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0], "COM Error: 0x80004005 then 255");
    EXPECT_EQ(messages[1], "255");
    EXPECT_EQ(messages[2], "pointer 00000000ABCDEF12");
    // The time fields of the line after a hex piece are decimal too.
    EXPECT_TRUE(std::regex_search(log.lines()[1], std::regex(R"(^\[\d+-\d+ \d+:\d+:\d+\.\d+\])")));
}

TEST_F(LogTest, LinePrefixFields)
{
    SYSTEMTIME evening{};
    evening.wYear = 2026;
    evening.wMonth = 12;
    evening.wDay = 8;
    evening.wHour = 21;
    evening.wMinute = 5;
    evening.wSecond = 3;
    evening.wMilliseconds = 70;
    EXPECT_EQ(Log::linePrefix(evening, "C:\\src\\Addin.cpp", "CAddin::OnConnection", 120),
              "[12-8 21:5:3.70]Addin.cpp[CAddin::OnConnection:120]: ");

    SYSTEMTIME beforeMidnight = evening;
    beforeMidnight.wDay = 31;
    beforeMidnight.wHour = 23;
    beforeMidnight.wMinute = 59;
    beforeMidnight.wSecond = 59;
    beforeMidnight.wMilliseconds = 999;
    SYSTEMTIME afterMidnight{};
    afterMidnight.wMonth = 1;
    afterMidnight.wDay = 1;
    EXPECT_EQ(Log::linePrefix(beforeMidnight, "a.cpp", "f", 1), "[12-31 23:59:59.999]a.cpp[f:1]: ");
    EXPECT_EQ(Log::linePrefix(afterMidnight, "a.cpp", "f", 1), "[1-1 0:0:0.0]a.cpp[f:1]: ");
}

TEST_F(LogTest, SourceFileNameCut)
{
    const struct {
        const char* path;
        const char* expected;
    } cases[] = {
        {"Addin.cpp", "Addin.cpp"},
        {"src/UI/FacebookButton.h", "FacebookButton.h"},
        {"C:\\src\\Account.cpp", "Account.cpp"},
        {"mixed\\dir/Log.cpp", "Log.cpp"},
        {"src/x", "src/x"}, // a single character after the separator: the whole path
        {"src/", "src/"},
        {"src/ab", "ab"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Log::sourceFileName(c.path), c.expected) << c.path;
}

// The computation the logging statement makes at compile time, on a signature literal.
#define QUALIFIED(signature) std::string(Log::FunctionName<sizeof(signature)>(signature).c_str())

TEST_F(LogTest, QualifiedFunctionNames)
{
    EXPECT_EQ(QUALIFIED("virtual HRESULT CAddin::OnConnection(IDispatch*, ext_ConnectMode, IDispatch*, SAFEARRAY**)"),
              "CAddin::OnConnection");
    EXPECT_EQ(QUALIFIED("CAddin::CAddin(IUnknown*)"), "CAddin::CAddin");
    EXPECT_EQ(QUALIFIED("static Server::Request Server::asyncHttpRequest(const std::wstring&, int)"),
              "Server::asyncHttpRequest");
    EXPECT_EQ(QUALIFIED("void CFacebookButtonImpl<T, TBase>::DoPaint(HDC) [with T = CFacebookButtonCtl; "
                        "TBase = CStatic; HDC = HDC__*]"),
              "CFacebookButtonImpl<CFacebookButtonCtl, CStatic>::DoPaint");
    EXPECT_EQ(QUALIFIED("void {anonymous}::helper()"), "{anonymous}::helper");
    EXPECT_EQ(QUALIFIED("bool Holder<std::map<int, int> >::get() const"), "Holder<std::map<int, int> >::get");
    EXPECT_EQ(QUALIFIED("void Outer<T>::Inner<U>::run() [with U = long int; T = char]"), "Outer<char>::Inner<long int>::run");

    // And in a real statement: a member of a class template carries its arguments.
    LogCapture log;
    Log::open(getLogFilePath());
    Painter<Button, 3>().paint();
    Log::close();
    const std::string text = log.text();
    EXPECT_NE(text.find("[{anonymous}::Painter<{anonymous}::Button, 3>::paint:"), std::string::npos) << text;
}
