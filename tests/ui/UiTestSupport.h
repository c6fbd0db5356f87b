#pragma once
// What the UI tests share: a scripted stand-in for the platform's HTTP request object, a
// window that hosts controls the way a dialog does, pixels read back from a control, the
// books on GDI objects and windows, and the stand-in browser.

#include "Account.h"
#include "Robot.h"
#include "Server.h"
#include "UrlRecorder.h"
#include "Win/Gdi.h"
#include "WinHttpRequest.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <ostream>
#include <string>
#include <vector>

namespace UiTest {

// IWinHttpRequest whose WaitForResponse answers from a script: answer i for call i, the last
// one repeated. Counts every call, and when each wait came.
class FakeHttpRequest : public IWinHttpRequest {
public:
    enum class Answer { Pending, Complete, Fail };

    explicit FakeHttpRequest(std::vector<Answer> answers, HRESULT abortResult = S_OK);

    int waits() const noexcept { return static_cast<int>(m_waitTimes.size()); }
    const std::vector<DWORD>& waitTimes() const noexcept { return m_waitTimes; }
    int aborts() const noexcept { return m_aborts; }
    long references() const noexcept { return m_references; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++m_references); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--m_references); }
    // IDispatch: not scripted
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
    // IWinHttpRequest: only waiting and aborting take part
    HRESULT STDMETHODCALLTYPE SetProxy(HTTPREQUEST_PROXY_SETTING, VARIANT, VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetCredentials(BSTR, BSTR, long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Open(BSTR, BSTR, VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetRequestHeader(BSTR, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetResponseHeader(BSTR, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAllResponseHeaders(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Send(VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Status(long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_StatusText(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ResponseText(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ResponseBody(VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ResponseStream(VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Option(long, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Option(long, VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE WaitForResponse(VARIANT timeout, VARIANT_BOOL* succeeded) override;
    HRESULT STDMETHODCALLTYPE Abort() override;
    HRESULT STDMETHODCALLTYPE SetTimeouts(long, long, long, long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetClientCertificate(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetAutoLogonPolicy(long) override { return E_NOTIMPL; }

private:
    std::vector<Answer> m_answers;
    HRESULT m_abortResult;
    std::vector<DWORD> m_waitTimes;
    int m_aborts = 0;
    long m_references = 1;
};

// A Server::Request over a FakeHttpRequest, with the account and server it needs.
struct ScriptedRequest {
    explicit ScriptedRequest(std::vector<FakeHttpRequest::Answer> answers, HRESULT abortResult = S_OK);

    FakeHttpRequest fake;
    CAccount account;
    Server server{account};
    Server::Request request{server};
};

// The live counts of every kind of GDI object and icon the add-in's owners hold, at the time
// the snapshot is made.
struct GuiObjectCounts {
    GuiObjectCounts();
    std::array<long, static_cast<int>(Win::GuiKind::Count)> live;
    bool operator==(const GuiObjectCounts&) const = default;
};
std::ostream& operator<<(std::ostream& out, const GuiObjectCounts& counts);

// A test of a whole dialog driven by the robot: when it ends, every GDI object and window the
// dialog made is gone.
class DialogTest : public testing::Test {
protected:
    void TearDown() override;

    const GuiObjectCounts m_before;
    Robot::Robot robot;
};

// A signed-in account whose subscription the service has suspended.
CAccount suspendedAccount();

// A hidden top-level window that hosts controls as a dialog would: it reflects notifications
// to them, answers WM_CTLCOLORSTATIC with a brush of `background`, and records WM_COMMAND.
class ControlHost {
public:
    static constexpr COLORREF Background = RGB(10, 200, 30);

    // exStyle: WS_EX_LAYOUTRTL makes it a mirrored (right-to-left) host.
    explicit ControlHost(DWORD exStyle = 0);
    ~ControlHost();
    ControlHost(const ControlHost&) = delete;
    ControlHost& operator=(const ControlHost&) = delete;

    HWND hwnd() const noexcept { return m_hwnd; }
    // A child with the default GUI font.
    HWND addChild(const wchar_t* className, int id, const wchar_t* text, DWORD style, int width, int height);

    struct Command {
        int id;
        int code;
        HWND source;
    };
    const std::vector<Command>& commands() const noexcept { return m_commands; }
    // Whether WM_CTLCOLORSTATIC answers with the background brush (else with nothing).
    void answerBackground(bool answer) noexcept { m_answerBackground = answer; }

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hwnd = nullptr;
    HBRUSH m_brush;
    bool m_answerBackground = true;
    std::vector<Command> m_commands;
};

// The client area of a window as it paints itself through WM_PRINTCLIENT onto a 32-bit
// bitmap that starts filled with `fill`.
class Capture {
public:
    static constexpr COLORREF Untouched = RGB(1, 2, 3);

    explicit Capture(HWND window, COLORREF fill = Untouched);
    Capture(int width, int height, COLORREF fill = Untouched);
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    int width() const noexcept { return m_width; }
    int height() const noexcept { return m_height; }
    HDC dc() const noexcept { return m_dc; }
    COLORREF pixel(int x, int y) const;
    // The smallest rectangle holding every pixel of this colour (empty when there is none).
    RECT boundsOf(COLORREF color) const;
    bool contains(COLORREF color) const;

private:
    int m_width;
    int m_height;
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_previous;
    const DWORD* m_bits = nullptr;
};

// The stand-in browser, shared with the other test folders.
using UrlRecorder = TestSupport::UrlRecorder;

} // namespace UiTest
