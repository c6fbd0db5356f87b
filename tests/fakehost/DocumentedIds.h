#pragma once
// The interface, class and library ids of Office's object models and of the add-in, written as
// their documentation writes them. The stand-in host answers QueryInterface for these, never
// for the add-in's own constants, so that a wrong constant in the add-in fails a test instead
// of failing in Office.

#include <windows.h>

namespace Documented {

// The id written as "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}"; a malformed text ends the
// program at start-up, where it cannot be mistaken for a failing host.
GUID fromText(const wchar_t* text);

namespace Text {
inline constexpr wchar_t WordApplication[] = L"{00020970-0000-0000-C000-000000000046}";
inline constexpr wchar_t ExcelApplication[] = L"{000208D5-0000-0000-C000-000000000046}";
inline constexpr wchar_t PowerPointApplication[] = L"{91493442-5A91-11CF-8700-00AA0060263B}";
inline constexpr wchar_t OutlookApplication[] = L"{00063001-0000-0000-C000-000000000046}";
inline constexpr wchar_t OutlookApplicationClass[] = L"{0006F03A-0000-0000-C000-000000000046}";
inline constexpr wchar_t Explorer[] = L"{00063003-0000-0000-C000-000000000046}";
inline constexpr wchar_t Inspector[] = L"{00063005-0000-0000-C000-000000000046}";
inline constexpr wchar_t Inspectors[] = L"{00063008-0000-0000-C000-000000000046}";
inline constexpr wchar_t InspectorsEvents[] = L"{00063079-0000-0000-C000-000000000046}";
inline constexpr wchar_t AppointmentItem[] = L"{00063033-0000-0000-C000-000000000046}";
inline constexpr wchar_t WordDocument[] = L"{0002096B-0000-0000-C000-000000000046}";
inline constexpr wchar_t WordRange[] = L"{0002095E-0000-0000-C000-000000000046}";
inline constexpr wchar_t WordParagraphs[] = L"{00020958-0000-0000-C000-000000000046}";
inline constexpr wchar_t WordParagraph[] = L"{00020957-0000-0000-C000-000000000046}";
inline constexpr wchar_t LanguageSettings[] = L"{000C0353-0000-0000-C000-000000000046}";
inline constexpr wchar_t CommandBars[] = L"{000C0302-0000-0000-C000-000000000046}";
inline constexpr wchar_t CommandBar[] = L"{000C0304-0000-0000-C000-000000000046}";
inline constexpr wchar_t CommandBarControls[] = L"{000C0306-0000-0000-C000-000000000046}";
inline constexpr wchar_t CommandBarControl[] = L"{000C0308-0000-0000-C000-000000000046}";
inline constexpr wchar_t CommandBarButton[] = L"{000C030E-0000-0000-C000-000000000046}";
inline constexpr wchar_t CommandBarPopup[] = L"{000C030A-0000-0000-C000-000000000046}";
inline constexpr wchar_t CommandBarButtonEvents[] = L"{000C0351-0000-0000-C000-000000000046}";
inline constexpr wchar_t RibbonControl[] = L"{000C0395-0000-0000-C000-000000000046}";
inline constexpr wchar_t RibbonUI[] = L"{000C03A7-0000-0000-C000-000000000046}";
inline constexpr wchar_t RibbonExtensibility[] = L"{000C0396-0000-0000-C000-000000000046}";
inline constexpr wchar_t DTExtensibility2[] = L"{B65AD801-ABAF-11D0-BB8B-00A0C90F2744}";
inline constexpr wchar_t AddInDesignerLibrary[] = L"{AC0714F2-3D04-11D1-AE7D-00A0C90F26F4}";
inline constexpr wchar_t OfficeLibrary[] = L"{2DF8D04C-5BFA-101B-BDE5-00AA0044DE52}";
inline constexpr wchar_t TalvoraMeeting[] = L"{1A97D37F-D694-415D-8813-4331EE74F47E}";
inline constexpr wchar_t TalvoraMeetingClass[] = L"{C27B97DA-258D-4C14-935A-03548FFEC265}";
inline constexpr wchar_t TalvoraMeetingLibrary[] = L"{01D9E8AB-6466-4694-BE99-B97F030721DE}";
} // namespace Text

inline const IID IID_WordApplication = fromText(Text::WordApplication);
inline const IID IID_ExcelApplication = fromText(Text::ExcelApplication);
inline const IID IID_PowerPointApplication = fromText(Text::PowerPointApplication);
inline const IID IID_OutlookApplication = fromText(Text::OutlookApplication);
inline const CLSID CLSID_OutlookApplication = fromText(Text::OutlookApplicationClass);
inline const IID IID_Explorer = fromText(Text::Explorer);
inline const IID IID_Inspector = fromText(Text::Inspector);
inline const IID IID_Inspectors = fromText(Text::Inspectors);
inline const IID DIID_InspectorsEvents = fromText(Text::InspectorsEvents);
inline const IID IID_AppointmentItem = fromText(Text::AppointmentItem);
inline const IID IID_WordDocument = fromText(Text::WordDocument);
inline const IID IID_WordRange = fromText(Text::WordRange);
inline const IID IID_WordParagraphs = fromText(Text::WordParagraphs);
inline const IID IID_WordParagraph = fromText(Text::WordParagraph);
inline const IID IID_LanguageSettings = fromText(Text::LanguageSettings);
inline const IID IID_CommandBars = fromText(Text::CommandBars);
inline const IID IID_CommandBar = fromText(Text::CommandBar);
inline const IID IID_CommandBarControls = fromText(Text::CommandBarControls);
inline const IID IID_CommandBarControl = fromText(Text::CommandBarControl);
inline const IID IID_CommandBarButton = fromText(Text::CommandBarButton);
inline const IID IID_CommandBarPopup = fromText(Text::CommandBarPopup);
inline const IID DIID_CommandBarButtonEvents = fromText(Text::CommandBarButtonEvents);
inline const IID IID_RibbonControl = fromText(Text::RibbonControl);
inline const IID IID_RibbonUI = fromText(Text::RibbonUI);
inline const IID IID_RibbonExtensibility = fromText(Text::RibbonExtensibility);
inline const IID IID_DTExtensibility2 = fromText(Text::DTExtensibility2);
inline const IID IID_ITalvoraMeeting = fromText(Text::TalvoraMeeting);
inline const CLSID CLSID_TalvoraMeeting = fromText(Text::TalvoraMeetingClass);

} // namespace Documented
