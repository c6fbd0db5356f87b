#include "FakeCommandBars.h"

#include "DocumentedIds.h"
#include "Com/ComError.h"
#include "Office/Ids.h"

#include <olectl.h>

namespace Fake {

using Com::Variant;

namespace {

constexpr long ButtonType = 1;
constexpr long PopupType = 10;
constexpr DISPID Click = 1;

// The argument at `index`, or an empty value when the caller omitted it.
Variant argument(const Args& args, std::size_t index)
{
    if (index >= args.size() || (args[index].type() == VT_ERROR))
        return Variant();
    return args[index];
}

template <class State, class Field>
void textMember(Object& object, const wchar_t* name, const std::shared_ptr<State>& state, Field State::*field)
{
    object.property(
        name, [state, field](const Args&) { return Variant::fromString((*state).*field); },
        [state, field](const Variant& value) { (*state).*field = value.toString(); });
}

template <class State>
void flagMember(Object& object, const wchar_t* name, const std::shared_ptr<State>& state, bool State::*field)
{
    object.property(
        name, [state, field](const Args&) { return Variant::fromBool((*state).*field); },
        [state, field](const Variant& value) { (*state).*field = value.toBool(); });
}

template <class State>
void numberMember(Object& object, const wchar_t* name, const std::shared_ptr<State>& state, long State::*field)
{
    object.property(
        name, [state, field](const Args&) { return Variant::fromInt32((*state).*field); },
        [state, field](const Variant& value) { (*state).*field = value.toInt32(); });
}

// The type and size of a picture written into Picture or Mask.
void notePicture(const Variant& value, short& type, SIZE* size)
{
    Com::ComPtr<IDispatch> dispatch = value.toDispatch();
    Com::ComPtr<IPicture> picture = dispatch.query<IPicture>(IID_IPicture);
    if (!picture)
        throw Com::ComError(DISP_E_TYPEMISMATCH, IID_IPicture);
    SHORT pictureType = 0;
    picture->get_Type(&pictureType);
    type = pictureType;
    OLE_HANDLE handle = 0;
    BITMAP bitmap{};
    if (size && SUCCEEDED(picture->get_Handle(&handle))
        && GetObjectW(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)), sizeof bitmap, &bitmap))
        *size = SIZE{bitmap.bmWidth, bitmap.bmHeight};
}

HBITMAP bitmapOf(const Variant& value)
{
    Com::ComPtr<IPicture> picture = value.toDispatch().query<IPicture>(IID_IPicture);
    OLE_HANDLE handle = 0;
    if (!picture || FAILED(picture->get_Handle(&handle)))
        return nullptr;
    return reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
}

void noteMask(const Variant& value, ControlState& state)
{
    notePicture(value, state.maskType, nullptr);
    const HBITMAP mask = bitmapOf(value);
    BITMAP size{};
    if (!mask || !GetObjectW(mask, sizeof size, &size))
        return;
    HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ previous = SelectObject(dc, mask);
    state.maskCornerWhite = GetPixel(dc, 0, 0) == RGB(255, 255, 255);
    state.maskBlackPixels = 0;
    for (int y = 0; y < size.bmHeight; ++y)
        for (int x = 0; x < size.bmWidth; ++x)
            state.maskBlackPixels += GetPixel(dc, x, y) == RGB(0, 0, 0);
    SelectObject(dc, previous);
    DeleteDC(dc);
}

void commonControlMembers(Object& object, const std::shared_ptr<ControlState>& state)
{
    object.answers(Documented::IID_CommandBarControl);
    textMember(object, L"Caption", state, &ControlState::caption);
    textMember(object, L"Tag", state, &ControlState::tag);
    textMember(object, L"Parameter", state, &ControlState::parameter);
    flagMember(object, L"BeginGroup", state, &ControlState::beginGroup);
    flagMember(object, L"Enabled", state, &ControlState::enabled);
    flagMember(object, L"Visible", state, &ControlState::visible);
    object.value(L"Type", Variant::fromInt32(state->type));
}

Ref makeControls(const std::shared_ptr<ControlList>& list, const ButtonOptions& options);

Ref makeButton(const std::shared_ptr<ControlState>& state, const ButtonOptions& options)
{
    Ref button = Object::create(L"CommandBarButton");
    button->answers(Documented::IID_CommandBarButton);
    commonControlMembers(*button, state);
    numberMember(*button, L"Style", state, &ControlState::style);
    numberMember(*button, L"FaceId", state, &ControlState::faceId);
    if (!options.withoutPicture) {
        button->property(L"Picture", {}, [state](const Variant& value) {
            notePicture(value, state->pictureType, &state->pictureSize);
        });
        button->property(L"Mask", {}, [state](const Variant& value) { noteMask(value, *state); });
    }
    button->method(L"PasteFace", [state, failure = options.pasteFaceFailure](const Args&) {
        ++state->pastes;
        state->pastedBitmap = IsClipboardFormatAvailable(CF_BITMAP) != FALSE;
        if (FAILED(failure))
            throw Com::ComError(failure, Documented::IID_CommandBarButton);
        return Variant();
    });
    button->eventSource(Documented::DIID_CommandBarButtonEvents);
    return button;
}

Ref makePopup(const std::shared_ptr<ControlState>& state, const ButtonOptions& options)
{
    Ref popup = Object::create(L"CommandBarPopup");
    popup->answers(Documented::IID_CommandBarPopup);
    commonControlMembers(*popup, state);
    popup->objectProperty(L"Controls", makeControls(state->controls, options));
    return popup;
}

// Add(Type, Id, Parameter, Before, Temporary).
Ref makeControls(const std::shared_ptr<ControlList>& list, const ButtonOptions& options)
{
    Ref controls = Object::create(L"CommandBarControls");
    controls->answers(Documented::IID_CommandBarControls);
    // Weak: the list holds the controls, whose collection must not hold the list of its parent.
    const std::weak_ptr<ControlList> weakList = list;
    controls->method(L"Add", [weakList, options](const Args& args) {
        const auto owner = weakList.lock();
        const Variant typeArgument = argument(args, 0);
        const long type = typeArgument.isEmpty() ? ButtonType : typeArgument.toInt32();
        if (!owner || (type != ButtonType && type != PopupType))
            throw Com::ComError(E_INVALIDARG, Documented::IID_CommandBarControls);
        auto state = std::make_shared<ControlState>();
        state->type = type;
        const Variant temporary = argument(args, 4);
        state->temporary = !temporary.isEmpty() && temporary.toBool();
        Ref control = type == ButtonType ? makeButton(state, options) : makePopup(state, options);
        owner->push_back(ControlEntry{control, state});
        return Variant::fromDispatch(control.get());
    });
    controls->property(L"Count", [weakList](const Args&) {
        const auto owner = weakList.lock();
        return Variant::fromInt32(owner ? static_cast<LONG>(owner->size()) : 0);
    });
    return controls;
}

Ref makeBar(const std::shared_ptr<BarState>& state, const std::weak_ptr<CommandBarSet>& set, const ButtonOptions& options)
{
    Ref bar = Object::create(L"CommandBar");
    bar->answers(Documented::IID_CommandBar);
    textMember(*bar, L"Name", state, &BarState::name);
    flagMember(*bar, L"Enabled", state, &BarState::enabled);
    flagMember(*bar, L"Visible", state, &BarState::visible);
    bar->objectProperty(L"Controls", makeControls(state->controls, options));
    bar->method(L"Delete", [state, set](const Args&) {
        if (const auto owner = set.lock()) {
            auto& bars = owner->bars;
            for (auto it = bars.begin(); it != bars.end(); ++it)
                if (it->state == state) {
                    bars.erase(it);
                    break;
                }
        }
        return Variant();
    });
    return bar;
}

} // namespace

const BarEntry* CommandBarSet::find(const std::wstring& name) const
{
    for (const BarEntry& bar : bars)
        if (bar.state->name == name)
            return &bar;
    return nullptr;
}

// Add(Name, Position, MenuBar, Temporary).
Ref makeCommandBars(const std::shared_ptr<CommandBarSet>& set)
{
    Ref commandBars = Object::create(L"CommandBars");
    commandBars->answers(Documented::IID_CommandBars);
    const std::weak_ptr<CommandBarSet> weakSet = set;
    commandBars->method(L"Add", [weakSet](const Args& args) {
        const auto owner = weakSet.lock();
        auto state = std::make_shared<BarState>();
        state->name = argument(args, 0).toString();
        if (!owner || owner->find(state->name))
            throw Com::ComError(E_INVALIDARG, Documented::IID_CommandBars);
        const Variant position = argument(args, 1);
        state->position = position.isEmpty() ? 0 : position.toInt32();
        const Variant temporary = argument(args, 3);
        state->temporary = !temporary.isEmpty() && temporary.toBool();
        Ref bar = makeBar(state, weakSet, owner->buttons);
        owner->bars.push_back(BarEntry{bar, state});
        return Variant::fromDispatch(bar.get());
    });
    commandBars->property(L"Count", [weakSet](const Args&) {
        const auto owner = weakSet.lock();
        return Variant::fromInt32(owner ? static_cast<LONG>(owner->bars.size()) : 0);
    });
    return commandBars;
}

namespace {

std::wstring describeControls(const ControlList& controls)
{
    std::wstring text = L"{";
    for (const ControlEntry& control : controls) {
        if (text.size() > 1)
            text += L", ";
        const ControlState& state = *control.state;
        text += state.caption;
        if (state.type == PopupType) {
            text += describeControls(*state.controls);
            continue;
        }
        text += L"|" + state.tag;
        if (!state.parameter.empty())
            text += L"|" + state.parameter;
    }
    return text + L"}";
}

} // namespace

std::wstring describe(const CommandBarSet& set)
{
    std::wstring text;
    for (const BarEntry& bar : set.bars) {
        if (!text.empty())
            text += L"; ";
        text += bar.state->name + describeControls(*bar.state->controls);
        if (!bar.state->visible)
            text += L"(hidden)";
    }
    return text;
}

void click(const ControlEntry& button)
{
    VARIANT_BOOL cancelDefault = VARIANT_FALSE;
    Variant cancel;
    VARIANT* byReference = cancel.put();
    byReference->vt = VT_BOOL | VT_BYREF;
    byReference->pboolVal = &cancelDefault;
    button.object->eventSource(Documented::DIID_CommandBarButtonEvents)
        .fire(Click, {Variant::fromDispatch(button.object.get()), cancel});
}

std::size_t clickSinks(const ControlEntry& button)
{
    return button.object->eventSource(Documented::DIID_CommandBarButtonEvents).sinkCount();
}

} // namespace Fake
