// Simulated desktop backend. Same effects, in the same order, as the Win32
// backend: input before timer ticks, timers coalescing missed intervals,
// sends that block until the target answers or the timeout passes.
#include "platform/sim/SimDesktop.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "platform/sim/cp1252.h"

namespace platform::sim {

namespace {

constexpr float kTwipsPerPixel = 15;
// SC_MOVE with the caption's hit-test code: the mouse drags the window. A
// bare SC_MOVE would start a keyboard move instead.
constexpr unsigned kScDragMove = 0xF012;
constexpr std::intptr_t kHwndNoTopmost = -2;
constexpr unsigned kSwpNoZOrder = 0x0004;
constexpr unsigned kSwpShowWindow = 0x0040;
constexpr unsigned kSwpHideWindow = 0x0080;

std::string Num(std::intptr_t value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value));
    return buffer;
}

}  // namespace

SimDesktop::SimDesktop(float screenWidth, float screenHeight)
    : m_screenWidth(screenWidth), m_screenHeight(screenHeight) {}

SimDesktop::~SimDesktop() = default;

void SimDesktop::SetScreen(float widthTwips, float heightTwips) {
    m_screenWidth = widthTwips;
    m_screenHeight = heightTwips;
}

SimDesktop::Node& SimDesktop::NodeOf(WindowId window) {
    const auto it = m_windows.find(window);
    if (it == m_windows.end()) throw RuntimeError("no such window: " + Num(window));
    return it->second;
}

const SimDesktop::Node& SimDesktop::NodeOf(WindowId window) const {
    const auto it = m_windows.find(window);
    if (it == m_windows.end()) throw RuntimeError("no such window: " + Num(window));
    return it->second;
}

SimDesktop::Node& SimDesktop::FormNode(WindowId form) {
    Node& node = NodeOf(form);
    if (!node.form) throw RuntimeError("not a form of the program: " + Num(form));
    if (node.broken) throw RuntimeError("form is not responding: " + Num(form));
    return node;
}

const SimDesktop::Node& SimDesktop::FormNode(WindowId form) const {
    const Node& node = NodeOf(form);
    if (!node.form) throw RuntimeError("not a form of the program: " + Num(form));
    return node;
}

SimDesktop::ControlState& SimDesktop::ControlOf(WindowId form, ControlId control) {
    Node& node = FormNode(form);
    if (control < 0 || static_cast<std::size_t>(control) >= node.controls.size()) {
        throw RuntimeError("no such control: " + Num(control));
    }
    return node.controls[static_cast<std::size_t>(control)];
}

std::vector<WindowId>& SimDesktop::SiblingsOf(WindowId parent) {
    return parent == kNoWindow ? m_topLevel : NodeOf(parent).children;
}

void SimDesktop::Record(std::string op, WindowId window, double value) {
    if (m_recording) m_calls.push_back(Call{m_now, std::move(op), window, value});
}

WindowId SimDesktop::AddForeignWindow(WindowId parent, std::string className, std::string text) {
    auto& siblings = SiblingsOf(parent);
    const WindowId id = m_nextId;
    m_nextId += 4;
    Node node;
    node.parent = parent;
    node.className = std::move(className);
    node.text = std::move(text);
    m_windows.emplace(id, std::move(node));
    siblings.push_back(id);
    return id;
}

void SimDesktop::DestroyWindow(WindowId window) {
    Node& node = NodeOf(window);
    const auto children = node.children;
    for (WindowId child : children) DestroyWindow(child);
    auto& siblings = SiblingsOf(NodeOf(window).parent);
    siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
    m_windows.erase(window);
}

void SimDesktop::HangUntil(WindowId window, nanoseconds until) { NodeOf(window).hungUntil = until; }

std::string SimDesktop::WindowText(WindowId window) const { return NodeOf(window).text; }

void SimDesktop::SetWindowText(WindowId window, std::string bytes) {
    NodeOf(window).text = std::move(bytes);
}

void SimDesktop::ClearRecords() {
    m_messages.clear();
    m_entered.clear();
    m_boxes.clear();
    m_calls.clear();
}

const FormState& SimDesktop::Form(WindowId form) const { return *FormNode(form).form; }

bool SimDesktop::ControlVisible(WindowId form, ControlId control) const {
    const Node& node = FormNode(form);
    return node.controls.at(static_cast<std::size_t>(control)).visible;
}

Cursor SimDesktop::CursorAt(WindowId form, float x, float y) const {
    Input at;
    at.form = form;
    at.x = at.releaseX = x;
    at.y = at.releaseY = y;
    const auto hit = HitTest(at);
    if (!hit) return Cursor::Arrow;
    return FormNode(form).form->layout.controls[static_cast<std::size_t>(hit->control)].cursor;
}

std::vector<WindowId> SimDesktop::Forms() const {
    std::vector<WindowId> forms;
    for (const auto& [id, node] : m_windows) {
        if (node.form) forms.push_back(id);
    }
    return forms;
}

nanoseconds SimDesktop::NextTimerDue(WindowId form, ControlId timer) const {
    const Node& node = FormNode(form);
    return node.controls.at(static_cast<std::size_t>(timer)).timerDue;
}

// ---- Scripted input ----------------------------------------------------------

void SimDesktop::ClickAt(WindowId form, float x, float y, nanoseconds delay) {
    PressAndReleaseAt(form, x, y, x, y, delay);
}

void SimDesktop::PressAndReleaseAt(WindowId form, float x, float y, float releaseX, float releaseY,
                                   nanoseconds delay) {
    Input input;
    input.due = m_now + delay;
    input.sequence = m_sequence++;
    input.form = form;
    input.x = x;
    input.y = y;
    input.releaseX = releaseX;
    input.releaseY = releaseY;
    m_input.push_back(input);
}

void SimDesktop::ClickOnScreen(float x, float y, nanoseconds delay) {
    ClickAt(kNoWindow, x, y, delay);
    m_input.back().onScreen = true;
}

void SimDesktop::Click(WindowId form, ControlId control, nanoseconds delay) {
    const ControlLayout& layout = m_windows.at(form).form->layout.controls.at(static_cast<std::size_t>(control));
    ClickAt(form, layout.left + layout.width / 2, layout.top + layout.height / 2, delay);
}

void SimDesktop::MouseDown(WindowId form, ControlId control, MouseButton button, nanoseconds delay) {
    Input input;
    input.due = m_now + delay;
    input.sequence = m_sequence++;
    input.form = form;
    input.isClick = false;
    input.control = control;
    input.button = button;
    m_input.push_back(input);
}

void SimDesktop::ScriptDrag(float dxTwips, float dyTwips, nanoseconds duration) {
    Input drag;
    drag.x = dxTwips;
    drag.y = dyTwips;
    drag.due = duration;
    m_drag = drag;
}

SimDesktop::Input SimDesktop::ToClient(Input input) const {
    input.onScreen = false;
    const float x = input.x, y = input.y;
    // Ids grow with creation, so the last window found is the newest.
    for (const auto& [id, node] : m_windows) {
        if (!node.form || !node.form->visible || node.form->minimized) continue;
        const FormState& f = *node.form;
        if (x < f.left || y < f.top || x >= f.left + f.width || y >= f.top + f.height) continue;
        input.form = id;
        input.x = input.releaseX = x - f.left;
        input.y = input.releaseY = y - f.top;
    }
    return input;
}

int SimDesktop::ProgramWindowsOnScreen() const {
    int count = 0;
    for (const auto& [id, node] : m_windows) count += node.form && node.form->visible && !node.form->minimized;
    return count;
}

std::optional<Event> SimDesktop::HitTest(const Input& input) const {
    const auto it = m_windows.find(input.form);
    if (it == m_windows.end() || !it->second.form) return std::nullopt;
    const Node& node = it->second;
    if (!node.form->visible || node.form->minimized) return std::nullopt;
    const auto& controls = node.form->layout.controls;
    const FormLayout& layout = node.form->layout;
    // The window gets a press only inside its client area.
    if (input.x < 0 || input.y < 0 || input.x >= layout.clientWidth || input.y >= layout.clientHeight)
        return std::nullopt;
    auto contains = [&](std::size_t i, float x, float y) {
        const ControlLayout& c = controls[i];
        return node.controls[i].visible && x >= c.left && x < c.left + c.width && y >= c.top &&
               y < c.top + c.height;
    };
    // Buttons are windows of their own, above the windowless labels. The
    // pressed control clicks when the release lies in it too.
    for (const ControlKind kind : {ControlKind::Button, ControlKind::Label}) {
        for (std::size_t i = 0; i < controls.size(); ++i) {
            if (controls[i].kind != kind || !contains(i, input.x, input.y)) continue;
            if (!contains(i, input.releaseX, input.releaseY)) return std::nullopt;
            return Event{input.form, static_cast<ControlId>(i), EventKind::Click, MouseButton::Left};
        }
    }
    return std::nullopt;
}

// ---- Running -------------------------------------------------------------------

std::optional<nanoseconds> SimDesktop::NextDue() const {
    std::optional<nanoseconds> next;
    auto consider = [&](nanoseconds due) {
        if (!next || due < *next) next = due;
    };
    for (const Input& input : m_input) consider(input.due);
    for (const auto& [id, node] : m_windows) {
        for (const ControlState& control : node.controls) {
            if (control.timerEnabled) consider(control.timerDue);
        }
    }
    return next;
}

bool SimDesktop::DispatchOneDue() {
    auto input = m_input.end();
    for (auto it = m_input.begin(); it != m_input.end(); ++it) {
        if (it->due <= m_now && (input == m_input.end() || it->due < input->due ||
                                 (it->due == input->due && it->sequence < input->sequence))) {
            input = it;
        }
    }
    if (input != m_input.end()) {
        const Input taken = input->onScreen ? ToClient(*input) : *input;
        m_input.erase(input);
        const auto it = m_windows.find(taken.form);
        const bool reachable = it != m_windows.end() && it->second.form && it->second.form->visible &&
                               !it->second.form->minimized;
        if (!taken.isClick) {
            if (reachable) {
                m_hasCapture = true;
                Dispatch(Event{taken.form, taken.control, EventKind::MouseDown, taken.button});
            }
        } else if (const auto hit = HitTest(taken)) {
            // A press then a release on the same control.
            if (it->second.form->layout.controls[static_cast<std::size_t>(hit->control)].kind ==
                ControlKind::Label) {
                m_hasCapture = true;
                Dispatch(Event{hit->form, hit->control, EventKind::MouseDown, MouseButton::Left});
            }
            m_hasCapture = false;
            Dispatch(*hit);
        }
        return true;
    }

    WindowId timerForm = kNoWindow;
    ControlId timerId = 0;
    std::optional<nanoseconds> earliest;
    for (auto& [id, node] : m_windows) {
        for (std::size_t i = 0; i < node.controls.size(); ++i) {
            const ControlState& control = node.controls[i];
            if (control.timerEnabled && control.timerDue <= m_now && (!earliest || control.timerDue < *earliest)) {
                earliest = control.timerDue;
                timerForm = id;
                timerId = static_cast<ControlId>(i);
            }
        }
    }
    if (!earliest) return false;
    Node& node = m_windows.at(timerForm);
    ControlState& timer = node.controls[static_cast<std::size_t>(timerId)];
    const nanoseconds interval =
        std::chrono::milliseconds(node.form->layout.controls[static_cast<std::size_t>(timerId)].intervalMs);
    // Missed intervals coalesce into this one tick.
    while (timer.timerDue <= m_now) timer.timerDue += interval;
    Dispatch(Event{timerForm, timerId, EventKind::Timer, MouseButton::Left});
    return true;
}

void SimDesktop::Dispatch(const Event& event) {
    if (m_ended || m_sink == nullptr) return;
    m_sink->OnEvent(event);
}

void SimDesktop::RunFor(nanoseconds duration) {
    const nanoseconds limit = m_now + duration;
    try {
        while (!m_ended) {
            const auto due = NextDue();
            if (!due || *due > limit) break;
            if (*due > m_now) m_now = *due;
            DispatchOneDue();
        }
    } catch (const ProgramEnded&) {
    }
    if (!m_ended && m_now < limit) m_now = limit;
}

void SimDesktop::PumpMessages() {
    m_now += m_pumpCost;
    while (!m_ended && DispatchOneDue()) {
    }
}

void SimDesktop::WaitForInput(nanoseconds deadline) {
    const auto next = NextDue();
    if (next && *next <= m_now) return;
    const nanoseconds target = next ? std::min(*next, deadline) : deadline;
    if (target > m_now) m_now = target;
}

double SimDesktop::SecondsSinceMidnight() {
    const double seconds = m_wallStart + std::chrono::duration<double>(m_now).count();
    return std::fmod(seconds, 86400.0);
}

void SimDesktop::Randomize() {
    Record("Randomize", kNoWindow);
    Platform::Randomize();
}

float SimDesktop::Rnd() {
    float value = 0;
    if (m_randomScript.empty()) {
        value = Platform::Rnd();
    } else {
        value = m_randomScript.front();
        m_randomScript.pop_front();
    }
    Record("Rnd", kNoWindow, value);
    return value;
}

void SimDesktop::End() {
    m_ended = true;
    throw ProgramEnded{};
}

// ---- Forms -----------------------------------------------------------------------

WindowId SimDesktop::CreateForm(const FormLayout& layout) {
    const WindowId id = AddForeignWindow(kNoWindow, "KorvoForm");
    Node& node = m_windows.at(id);
    FormState state;
    state.layout = layout;
    state.width = layout.clientWidth;
    state.height = layout.clientHeight;
    if (layout.placement == Placement::Manual) {
        state.left = layout.left;
        state.top = layout.top;
    } else {
        // Where a window system puts a new window by default.
        state.left = 26 * kTwipsPerPixel;
        state.top = 26 * kTwipsPerPixel;
    }
    state.created = true;
    node.form = state;
    for (const ControlLayout& control : layout.controls) {
        ControlState c;
        c.text = control.text;
        c.visible = control.visible;
        if (control.kind == ControlKind::Timer && control.enabled) {
            c.timerEnabled = true;
            c.timerDue = m_now + std::chrono::milliseconds(control.intervalMs);
        }
        node.controls.push_back(c);
    }
    Record("CreateForm", id);
    return id;
}

void SimDesktop::ShowForm(WindowId form) {
    FormState& state = *FormNode(form).form;
    state.visible = true;
    if (!state.firstShown) state.firstShown = Sighting{m_now, state.left, state.top, state.topmost};
    Record("Show", form);
}

void SimDesktop::HideForm(WindowId form) {
    FormNode(form).form->visible = false;
    Record("Hide", form);
}

std::string SimDesktop::Caption(WindowId form) { return FormNode(form).form->caption; }

void SimDesktop::SetCaption(WindowId form, std::string_view text) {
    FormNode(form).form->caption = std::string(text);
    Record("SetCaption", form);
}

float SimDesktop::Left(WindowId form) {
    Record("Left", form);
    return FormNode(form).form->left;
}

float SimDesktop::Top(WindowId form) {
    Record("Top", form);
    return FormNode(form).form->top;
}

float SimDesktop::Width(WindowId form) {
    Record("Width", form);
    return FormNode(form).form->width;
}

float SimDesktop::Height(WindowId form) {
    Record("Height", form);
    return FormNode(form).form->height;
}

float SimDesktop::Place(float requested, float current) const {
    switch (m_moveMode) {
        case MoveMode::Exact:
            return requested;
        case MoveMode::SnapToPixels:
            return std::round(requested / kTwipsPerPixel) * kTwipsPerPixel;
        case MoveMode::Refuse:
            return current;
    }
    return requested;
}

void SimDesktop::SetLeft(WindowId form, float twips) {
    FormState& state = *FormNode(form).form;
    Record("SetLeft", form, twips);
    state.left = Place(twips, state.left);
}

void SimDesktop::SetTop(WindowId form, float twips) {
    FormState& state = *FormNode(form).form;
    Record("SetTop", form, twips);
    state.top = Place(twips, state.top);
}

void SimDesktop::Minimize(WindowId form) {
    FormNode(form).form->minimized = true;
    Record("Minimize", form);
}

float SimDesktop::ScreenWidth() {
    Record("ScreenWidth", kNoWindow);
    return m_screenWidth;
}

float SimDesktop::ScreenHeight() {
    Record("ScreenHeight", kNoWindow);
    return m_screenHeight;
}

// ---- Controls --------------------------------------------------------------------

std::string SimDesktop::ControlText(WindowId form, ControlId control) {
    return ControlOf(form, control).text;
}

void SimDesktop::SetControlText(WindowId form, ControlId control, std::string_view text) {
    ControlOf(form, control).text = std::string(text);
}

void SimDesktop::SetControlVisible(WindowId form, ControlId control, bool visible) {
    ControlOf(form, control).visible = visible;
}

bool SimDesktop::TimerEnabled(WindowId form, ControlId timer) {
    return ControlOf(form, timer).timerEnabled;
}

void SimDesktop::SetTimerEnabled(WindowId form, ControlId timer, bool enabled) {
    ControlState& state = ControlOf(form, timer);
    const ControlLayout& layout = FormNode(form).form->layout.controls[static_cast<std::size_t>(timer)];
    if (layout.kind != ControlKind::Timer) throw RuntimeError("not a timer: " + layout.name);
    if (enabled && !state.timerEnabled) {
        state.timerDue = m_now + std::chrono::milliseconds(layout.intervalMs);
    }
    state.timerEnabled = enabled;
}

// ---- Runtime services ------------------------------------------------------------

void SimDesktop::ShowMessage(std::string_view text) {
    m_boxes.push_back(MessageBoxShown{m_now, std::string(kAppTitle), std::string(text), false});
}

void SimDesktop::ShowRuntimeError(std::string_view text) {
    m_boxes.push_back(MessageBoxShown{m_now, std::string(kAppTitle), std::string(text), true});
}

// ---- user32 ----------------------------------------------------------------------

WindowId SimDesktop::FindWindowA(const char* className) {
    Record(std::string("FindWindowA ") + className, kNoWindow);
    for (WindowId id : m_topLevel) {
        if (m_windows.at(id).className == className) return id;
    }
    return kNoWindow;
}

WindowId SimDesktop::FindWindowExA(WindowId parent, WindowId childAfter, const char* className) {
    Record(std::string("FindWindowExA ") + className, parent, childAfter);
    if (parent != kNoWindow && m_windows.find(parent) == m_windows.end()) return kNoWindow;
    const auto& siblings = SiblingsOf(parent);
    auto it = siblings.begin();
    if (childAfter != kNoWindow) {
        it = std::find(siblings.begin(), siblings.end(), childAfter);
        if (it == siblings.end()) return kNoWindow;
        ++it;
    }
    for (; it != siblings.end(); ++it) {
        if (m_windows.at(*it).className == className) return *it;
    }
    return kNoWindow;
}

bool SimDesktop::Deliver(WindowId target, std::chrono::milliseconds timeout) {
    const auto it = m_windows.find(target);
    if (it == m_windows.end()) return false;
    const nanoseconds hungUntil = it->second.hungUntil;
    if (hungUntil <= m_now) return true;
    if (hungUntil - m_now <= timeout) {
        m_now = hungUntil;
        return true;
    }
    m_now += timeout;
    return false;
}

bool SimDesktop::SendSetText(WindowId target, std::string_view utf8, std::chrono::milliseconds timeout) {
    SentMessage message{m_now, target, kWmSetText, 0, 0, Utf8ToWindows1252(utf8), false};
    message.delivered = Deliver(target, timeout);
    if (message.delivered) m_windows.at(target).text = message.bytes;
    const bool delivered = message.delivered;
    if (m_recording) m_messages.push_back(std::move(message));
    return delivered;
}

bool SimDesktop::SendChar(WindowId target, unsigned code, std::chrono::milliseconds timeout) {
    SentMessage message{m_now, target, kWmChar, code, 0, {}, false};
    message.delivered = Deliver(target, timeout);
    if (message.delivered && code == '\r') {
        // The stand-in client sends the entry line on Enter and clears it.
        Node& node = m_windows.at(target);
        if (m_recording) m_entered.push_back(EnteredLine{m_now, target, node.text, ProgramWindowsOnScreen()});
        node.text.clear();
    }
    const bool delivered = message.delivered;
    if (m_recording) m_messages.push_back(std::move(message));
    return delivered;
}

void SimDesktop::SendSysCommand(WindowId target, unsigned wParam, std::intptr_t lParam) {
    Record("SendSysCommand " + Num(lParam), target, wParam);
    if (m_recording) m_messages.push_back(SentMessage{m_now, target, kWmSysCommand, wParam, lParam, {}, true});
    const auto it = m_windows.find(target);
    if (it == m_windows.end() || !it->second.form || wParam != kScDragMove || !m_drag) return;
    // The window system's move loop: events keep arriving until the button
    // is released, then the window lands where the mouse took it.
    const Input drag = *m_drag;
    m_drag.reset();
    const nanoseconds end = m_now + drag.due;
    while (!m_ended) {
        const auto due = NextDue();
        if (!due || *due > end) break;
        if (*due > m_now) m_now = *due;
        DispatchOneDue();
    }
    if (m_now < end) m_now = end;
    FormState& state = *FormNode(target).form;
    state.left = Place(state.left + drag.x, state.left);
    state.top = Place(state.top + drag.y, state.top);
}

void SimDesktop::SetWindowPos(WindowId window, std::intptr_t insertAfter, int x, int y, int cx, int cy,
                              unsigned flags) {
    Record("SetWindowPos " + Num(insertAfter) + " " + Num(x) + " " + Num(y) + " " + Num(cx) + " " +
               Num(cy) + " " + Num(flags),
           window);
    const auto it = m_windows.find(window);
    if (it == m_windows.end() || !it->second.form) return;
    FormState& state = *it->second.form;
    if ((flags & kSwpNoZOrder) == 0 && insertAfter == kHwndTopmost) state.topmost = true;
    if ((flags & kSwpNoZOrder) == 0 && insertAfter == kHwndNoTopmost) state.topmost = false;
    if (flags & kSwpShowWindow) ShowForm(window);
    if (flags & kSwpHideWindow) HideForm(window);
    if ((flags & kSwpNoMove) == 0) {
        state.left = Place(static_cast<float>(x) * kTwipsPerPixel, state.left);
        state.top = Place(static_cast<float>(y) * kTwipsPerPixel, state.top);
    }
    if ((flags & kSwpNoSize) == 0) {
        state.width = static_cast<float>(cx) * kTwipsPerPixel;
        state.height = static_cast<float>(cy) * kTwipsPerPixel;
    }
}

void SimDesktop::ReleaseCapture() {
    Record("ReleaseCapture", kNoWindow, m_hasCapture ? 1 : 0);
    m_hasCapture = false;
}

}  // namespace platform::sim
