// Simulated desktop backend. Same effects, in the same order, as the Win32
// backend under Wine: input before timer ticks, timers coalescing missed
// intervals, sends that block until the target answers or the timeout
// passes, modal loops (message boxes, the window-move loop) that take from
// the program's own queue.
#include "platform/sim/SimDesktop.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "platform/sim/cp1252.h"

namespace platform::sim {

namespace {

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

// Runs `undo` when the scope ends, also when End() unwinds through it.
template <typename F>
struct OnExit {
    F undo;
    ~OnExit() { undo(); }
};
template <typename F>
OnExit(F) -> OnExit<F>;

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
    if (node.form->destroyed) throw RuntimeError("no such window: " + Num(form));
    if (node.broken) throw RuntimeError("form is not responding: " + Num(form));
    if (std::exchange(m_failNext, false)) throw RuntimeError("the operation failed: " + Num(form));
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

const ControlLayout& SimDesktop::LayoutOf(WindowId form, ControlId control) const {
    return FormNode(form).form->layout.controls.at(static_cast<std::size_t>(control));
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
    // Boxes are open only while the program's code runs, never between runs.
    if (m_openBoxes.empty()) m_boxes.clear();
    m_calls.clear();
}

const FormState& SimDesktop::Form(WindowId form) const { return *FormNode(form).form; }

bool SimDesktop::ControlVisible(WindowId form, ControlId control) const {
    return FormNode(form).controls.at(static_cast<std::size_t>(control)).visible;
}

std::string SimDesktop::TextOf(WindowId form, ControlId control) const {
    return FormNode(form).controls.at(static_cast<std::size_t>(control)).text;
}

bool SimDesktop::TimerOn(WindowId form, ControlId timer) const {
    return FormNode(form).controls.at(static_cast<std::size_t>(timer)).timerEnabled;
}

int SimDesktop::OpenBoxes() const { return static_cast<int>(m_openBoxes.size()); }

Cursor SimDesktop::CursorAt(WindowId form, float x, float y) const {
    const Node& node = FormNode(form);
    if (ControlAt(node, {x, y}, ControlKind::Button)) return Cursor::Arrow;
    const auto label = ControlAt(node, {x, y}, ControlKind::Label);
    return label ? node.form->layout.controls[static_cast<std::size_t>(*label)].cursor : Cursor::Arrow;
}

std::vector<WindowId> SimDesktop::Forms() const {
    std::vector<WindowId> forms;
    for (const auto& [id, node] : m_windows) {
        if (node.form) forms.push_back(id);
    }
    return forms;
}

// What a form holds of the window system's objects: its window and its push
// buttons' windows, a font for each label and button and its picture, and
// its running timers.
Live SimDesktop::Held(const Node& node) {
    Live held;
    const FormLayout& layout = node.form->layout;
    held.windows = 1;
    held.drawingObjects = layout.pictureId != 0;
    for (std::size_t i = 0; i < layout.controls.size(); ++i) {
        const ControlLayout& c = layout.controls[i];
        held.windows += c.kind == ControlKind::Button;
        held.drawingObjects += c.kind == ControlKind::Button || c.kind == ControlKind::Label;
        held.timers += c.kind == ControlKind::Timer && node.controls[i].timerEnabled && c.intervalMs > 0;
    }
    return held;
}

nanoseconds SimDesktop::NextTimerDue(WindowId form, ControlId timer) const {
    return FormNode(form).controls.at(static_cast<std::size_t>(timer)).timerDue;
}

// ---- Time ------------------------------------------------------------------------

void SimDesktop::Spend(nanoseconds cost) { AdvanceTo(m_now + cost); }

void SimDesktop::AdvanceTo(nanoseconds time) {
    if (time > m_now) m_now = time;
    Arrive();
}

bool SimDesktop::IsInput(InputKind kind) {
    return kind != InputKind::Close && kind != InputKind::Restore;
}

// Input that has come by now gets its screen point: the pointer is where the
// user put it then. With Routing::WhenQueued it also gets its window.
void SimDesktop::Arrive() {
    for (Input& input : m_input) {
        if (input.due > m_now) break;
        if (input.arrived) continue;
        input.arrived = true;
        switch (input.kind) {
            case InputKind::Press:
                input.at = input.aim;
                if (const auto it = m_windows.find(input.form); it != m_windows.end() && it->second.form) {
                    const FormState& form = *it->second.form;
                    input.at = {form.left + input.aim.x, form.top + input.aim.y};
                }
                break;
            case InputKind::Move:
                input.at = {m_pointer.x + input.move.x, m_pointer.y + input.move.y};
                break;
            default:
                input.at = m_pointer;
                break;
        }
        m_pointer = input.at;
        const bool mouse = input.kind == InputKind::Press || input.kind == InputKind::Move ||
                           input.kind == InputKind::Release;
        if (mouse && m_routing == Routing::WhenQueued) input.target = Route(input.at);
    }
}

// ---- Scripted input ----------------------------------------------------------

SimDesktop::Input& SimDesktop::Queue(InputKind kind, nanoseconds delay) {
    Input input;
    input.due = m_now + delay;
    input.sequence = m_sequence++;
    input.kind = kind;
    // Kept in the order the input comes.
    const auto at = std::upper_bound(m_input.begin(), m_input.end(), input, [](const Input& a, const Input& b) {
        return a.due < b.due || (a.due == b.due && a.sequence < b.sequence);
    });
    return *m_input.insert(at, input);
}

void SimDesktop::Press(WindowId form, float x, float y, MouseButton button, nanoseconds delay) {
    Input& press = Queue(InputKind::Press, delay);
    press.form = form;
    press.aim = {x, y};
    press.button = button;
    Arrive();
}

void SimDesktop::MoveBy(float dx, float dy, nanoseconds delay) {
    Queue(InputKind::Move, delay).move = {dx, dy};
    Arrive();
}

void SimDesktop::Release(MouseButton button, nanoseconds delay) {
    Queue(InputKind::Release, delay).button = button;
    Arrive();
}

void SimDesktop::PressAndReleaseAt(WindowId form, float x, float y, float releaseX, float releaseY,
                                   nanoseconds delay) {
    Press(form, x, y, MouseButton::Left, delay);
    if (releaseX != x || releaseY != y) MoveBy(releaseX - x, releaseY - y, delay);
    Release(MouseButton::Left, delay);
}

void SimDesktop::ClickAt(WindowId form, float x, float y, nanoseconds delay) {
    PressAndReleaseAt(form, x, y, x, y, delay);
}

void SimDesktop::ClickOnScreen(float x, float y, nanoseconds delay) { ClickAt(kNoWindow, x, y, delay); }

void SimDesktop::Click(WindowId form, ControlId control, nanoseconds delay) {
    const ControlLayout& c = LayoutOf(form, control);
    ClickAt(form, c.left + c.width / 2, c.top + c.height / 2, delay);
}

void SimDesktop::MouseDown(WindowId form, ControlId control, MouseButton button, nanoseconds delay) {
    const ControlLayout& c = LayoutOf(form, control);
    Press(form, c.left + c.width / 2, c.top + c.height / 2, button, delay);
}

void SimDesktop::Drag(WindowId form, ControlId control, float dx, float dy, nanoseconds duration,
                      nanoseconds delay) {
    MouseDown(form, control, MouseButton::Left, delay);
    MoveBy(dx / 2, dy / 2, delay + duration / 2);
    MoveBy(dx - dx / 2, dy - dy / 2, delay + duration);
    Release(MouseButton::Left, delay + duration);
}

void SimDesktop::KeyPress(Key key, nanoseconds delay) {
    Queue(InputKind::Key, delay).key = key;
    Arrive();
}

void SimDesktop::RequestClose(WindowId form, nanoseconds delay) {
    Queue(InputKind::Close, delay).form = form;
    Arrive();
}

void SimDesktop::SendClose(WindowId form, nanoseconds delay) {
    Input& close = Queue(InputKind::Close, delay);
    close.form = form;
    close.sent = true;
    Arrive();
}

void SimDesktop::RestoreFromTaskbar(WindowId form, nanoseconds delay) {
    Queue(InputKind::Restore, delay).form = form;
    Arrive();
}

// ---- Routing -------------------------------------------------------------------

bool SimDesktop::Contains(const Node& node, ControlId control, Point client) const {
    const ControlLayout& c = node.form->layout.controls[static_cast<std::size_t>(control)];
    return node.controls[static_cast<std::size_t>(control)].visible && client.x >= c.left &&
           client.x < c.left + c.width && client.y >= c.top && client.y < c.top + c.height;
}

std::optional<ControlId> SimDesktop::ControlAt(const Node& node, Point client, ControlKind kind) const {
    const FormLayout& layout = node.form->layout;
    // Only points of the client area reach the window.
    if (client.x < 0 || client.y < 0 || client.x >= layout.clientWidth || client.y >= layout.clientHeight)
        return std::nullopt;
    for (std::size_t i = 0; i < layout.controls.size(); ++i) {
        const auto id = static_cast<ControlId>(i);
        if (layout.controls[i].kind == kind && Contains(node, id, client)) return id;
    }
    return std::nullopt;
}

// The program window on screen at a point: the newest lies on top. Its push
// buttons are windows of their own, above its windowless labels.
std::optional<SimDesktop::Target> SimDesktop::TargetAt(Point at) const {
    std::optional<Target> found;
    for (const auto& [id, node] : m_windows) {
        if (!node.form || node.form->destroyed || !node.form->visible || node.form->minimized) continue;
        const FormState& f = *node.form;
        if (at.x < f.left || at.y < f.top || at.x >= f.left + f.width || at.y >= f.top + f.height) continue;
        const auto button = ControlAt(node, {at.x - f.left, at.y - f.top}, ControlKind::Button);
        found = Target{id, button.value_or(-1), {}};
    }
    return found;
}

// The window that gets mouse input at a point: the one holding the capture,
// else the one on screen there. A disabled window (a box's owner) gets none.
std::optional<SimDesktop::Target> SimDesktop::Route(Point at) const {
    std::optional<Target> target = m_capture ? m_capture : TargetAt(at);
    if (!target) return std::nullopt;
    if (Disabled(target->form)) return Target{};
    const FormState& form = *m_windows.at(target->form).form;
    target->client = {at.x - form.left, at.y - form.top};
    return target;
}

bool SimDesktop::Disabled(WindowId form) const {
    return form != kNoWindow && std::any_of(m_openBoxes.begin(), m_openBoxes.end(),
                                            [&](std::size_t box) { return m_boxes[box].owner == form; });
}

// ---- Running -------------------------------------------------------------------

std::optional<nanoseconds> SimDesktop::NextDue(bool inputToo) const {
    std::optional<nanoseconds> next;
    for (const Input& input : m_input) {
        if (inputToo || !IsInput(input.kind)) {
            next = input.due;
            break;
        }
    }
    for (const auto& [id, node] : m_windows) {
        if (!node.form || node.form->destroyed) continue;
        for (std::size_t i = 0; i < node.controls.size(); ++i) {
            const ControlState& control = node.controls[i];
            if (control.timerEnabled && node.form->layout.controls[i].intervalMs > 0 &&
                (!next || control.timerDue < *next))
                next = control.timerDue;
        }
    }
    return next;
}

std::optional<SimDesktop::Input> SimDesktop::TakeInput(bool inputToo) {
    const auto it = std::find_if(m_input.begin(), m_input.end(), [&](const Input& input) {
        return input.due <= m_now && (inputToo || !IsInput(input.kind));
    });
    if (it == m_input.end()) return std::nullopt;
    Input input = *it;
    m_input.erase(it);
    const bool mouse = input.kind == InputKind::Press || input.kind == InputKind::Move ||
                       input.kind == InputKind::Release;
    if (mouse && m_routing == Routing::WhenTaken) input.target = Route(input.at);
    return input;
}

bool SimDesktop::FireDueTimer() {
    ControlState* timer = nullptr;
    nanoseconds interval{};
    Event tick{kNoWindow, 0, EventKind::Timer, MouseButton::Left};
    for (auto& [id, node] : m_windows) {
        if (!node.form || node.form->destroyed) continue;
        for (std::size_t i = 0; i < node.controls.size(); ++i) {
            ControlState& control = node.controls[i];
            const unsigned ms = node.form->layout.controls[i].intervalMs;
            // An interval of 0 never fires, as on Win32.
            if (!control.timerEnabled || ms == 0 || control.timerDue > m_now) continue;
            if (timer && control.timerDue >= timer->timerDue) continue;
            timer = &control;
            interval = std::chrono::milliseconds(ms);
            tick.form = id;
            tick.control = static_cast<ControlId>(i);
        }
    }
    if (!timer) return false;
    // Missed intervals coalesce into this one tick.
    while (timer->timerDue <= m_now) timer->timerDue += interval;
    Dispatch(tick);
    return true;
}

bool SimDesktop::DispatchOne(bool inputToo) {
    if (auto input = TakeInput(inputToo)) {
        Handle(*input);
        return true;
    }
    return FireDueTimer();
}

// What a window does with one input, as Win32Form does: a left press on a
// label captures the mouse and the release on the same label clicks; a press
// of any button on a label is its mouse-down; a push button clicks on a left
// release inside it.
void SimDesktop::Handle(const Input& input) {
    switch (input.kind) {
        case InputKind::Key:
            // Only a loop that takes keys itself (a box's, the move loop)
            // acts on them; dispatched, a key reaches the focused window,
            // which ignores Enter and Escape.
            return;
        case InputKind::BoxAnswer:
            if (input.box < m_boxes.size() && !m_boxes[input.box].closed) m_boxes[input.box].closed = m_now;
            return;
        case InputKind::Close:
            if (m_windows.count(input.form) && !Form(input.form).destroyed && (input.sent || !Disabled(input.form)))
                Dispatch(Event{input.form, 0, EventKind::Close, MouseButton::Left});
            return;
        case InputKind::Restore:
            if (m_windows.count(input.form) && !Form(input.form).destroyed) {
                m_windows.at(input.form).form->minimized = false;
                Spend(m_costs.showHide);
            }
            return;
        default:
            break;
    }
    if (!input.target || input.target->form == kNoWindow) return;
    const auto it = m_windows.find(input.target->form);
    if (it == m_windows.end() || !it->second.form || it->second.form->destroyed) return;
    Node& node = it->second;
    const WindowId form = input.target->form;
    const Point client = input.target->client;
    const ControlId button = input.target->button;
    if (input.kind == InputKind::Press) {
        if (button >= 0) {
            if (input.button == MouseButton::Left) {
                m_capture = input.target;
                node.pressed = button;
            }
            return;
        }
        const auto label = ControlAt(node, client, ControlKind::Label);
        if (!label) return;
        m_active = form;
        if (input.button == MouseButton::Left) {
            m_capture = Target{form, -1, {}};
            node.pressed = *label;
        }
        Dispatch(Event{form, *label, EventKind::MouseDown, input.button});
    } else if (input.kind == InputKind::Release && input.button == MouseButton::Left) {
        const ControlId pressed = node.pressed;
        if (pressed < 0) return;
        m_capture.reset();
        node.pressed = -1;
        if (Contains(node, pressed, client)) Dispatch(Event{form, pressed, EventKind::Click, MouseButton::Left});
    }
}

void SimDesktop::Dispatch(const Event& event) {
    if (m_ended || m_sink == nullptr) return;
    m_sink->OnEvent(event);
}

void SimDesktop::WaitForMore() {
    // Only input ends a modal loop; with none to come it would wait forever.
    if (m_input.empty()) throw NothingMoreToCome{};
    AdvanceTo(*NextDue(true));
}

void SimDesktop::RunFor(nanoseconds duration) {
    const nanoseconds limit = m_now + duration;
    try {
        while (!m_ended) {
            if (DispatchOne(true)) continue;
            const auto due = NextDue(true);
            if (!due || *due > limit) break;
            AdvanceTo(*due);
        }
    } catch (const ProgramEnded&) {
    }
    if (!m_ended) AdvanceTo(limit);
}

void SimDesktop::PumpMessages() {
    ++m_pumps;
    Spend(m_costs.pump);
    while (!m_ended && DispatchOne(m_systemLoops == 0)) {
    }
}

void SimDesktop::WaitForInput(nanoseconds deadline) {
    const auto next = NextDue(m_systemLoops == 0);
    if (next && *next <= m_now) return;
    AdvanceTo(next ? std::min(*next, deadline) : deadline);
}

double SimDesktop::SecondsSinceMidnight() {
    const double seconds = m_wallStart + std::chrono::duration<double>(m_now).count();
    return std::fmod(seconds, 86400.0);
}

void SimDesktop::Randomize() {
    Record("Randomize", kNoWindow);
    m_random.Reseed(SecondsSinceMidnight());
}

float SimDesktop::Rnd() {
    float value = 0;
    if (m_randomScript.empty()) {
        value = m_random.Next();
    } else {
        value = m_randomScript.front();
        m_randomScript.pop_front();
    }
    Record("Rnd", kNoWindow, value);
    return value;
}

void SimDesktop::End() {
    m_ended = true;
    // The process exits: every window it had leaves the screen. What the
    // program holds stays counted until its objects free it, so that a
    // leak shows however the program ended.
    for (auto& [id, node] : m_windows) {
        if (node.form) node.form->destroyed = true;
    }
    m_capture.reset();
    throw ProgramEnded{};
}

// ---- Message boxes -----------------------------------------------------------------

// The window the user is looking at owns the box and is disabled under it,
// as the Win32 backend chooses.
WindowId SimDesktop::BoxOwner() const {
    auto onScreen = [&](WindowId id) {
        const auto it = m_windows.find(id);
        return it != m_windows.end() && it->second.form && !it->second.form->destroyed &&
               it->second.form->visible && !it->second.form->minimized;
    };
    if (onScreen(m_active)) return m_active;
    for (const auto& [id, node] : m_windows) {
        if (onScreen(id)) return id;
    }
    return kNoWindow;
}

// A modal loop on virtual time until the user answers: Enter or Escape
// closes the box, due timers fire and their handlers run, input to the owner
// is discarded, other input is delivered. While it runs, the program's
// pumps leave input to it.
void SimDesktop::RunBox(std::string_view text, bool runtimeError) {
    const std::size_t box = m_boxes.size();
    m_boxes.push_back(MessageBoxShown{m_now, std::nullopt, std::string(kAppTitle), std::string(text), runtimeError,
                                      BoxOwner()});
    m_openBoxes.push_back(box);
    ++m_systemLoops;
    OnExit closeBox{[&] {
        --m_systemLoops;
        m_openBoxes.erase(std::find(m_openBoxes.begin(), m_openBoxes.end(), box));
    }};
    if (m_boxReadingTime) Queue(InputKind::BoxAnswer, *m_boxReadingTime).box = box;
    while (!m_boxes[box].closed) {
        if (auto input = TakeInput(true)) {
            if (input->kind == InputKind::Key)
                m_boxes[box].closed = m_now;
            else
                Handle(*input);
        } else if (!FireDueTimer()) {
            WaitForMore();
        }
    }
    m_input.erase(std::remove_if(m_input.begin(), m_input.end(),
                                 [&](const Input& i) { return i.kind == InputKind::BoxAnswer && i.box == box; }),
                  m_input.end());
}

void SimDesktop::ShowMessage(std::string_view text) { RunBox(text, false); }

void SimDesktop::ShowRuntimeError(std::string_view text) { RunBox(text, true); }

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
        state.left = PixelsToTwips(26);
        state.top = PixelsToTwips(26);
    }
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
    m_live += Held(node);
    Record("CreateForm", id);
    Spend(m_costs.create);
    return id;
}

void SimDesktop::ShowForm(WindowId form) {
    FormState& state = *FormNode(form).form;
    state.visible = true;
    m_active = form;
    if (!state.firstShown) state.firstShown = Sighting{m_now, state.left, state.top, state.topmost};
    Record("Show", form);
    Spend(m_costs.showHide);
}

void SimDesktop::HideForm(WindowId form) {
    FormNode(form).form->visible = false;
    Record("Hide", form);
    Spend(m_costs.showHide);
}

bool SimDesktop::Visible(WindowId form) {
    const bool visible = FormNode(form).form->visible;
    Spend(m_costs.read);
    return visible;
}

void SimDesktop::DestroyForm(WindowId form) {
    const auto it = m_windows.find(form);
    if (it == m_windows.end() || !it->second.form) return;
    // Freed once, also after the program's end took the window off the screen.
    if (!std::exchange(it->second.freed, true)) m_live -= Held(it->second);
    it->second.form->destroyed = true;
    it->second.form->visible = false;
    if (m_capture && m_capture->form == form) m_capture.reset();
}

std::string SimDesktop::Caption(WindowId form) {
    std::string caption = FormNode(form).form->caption;
    Spend(m_costs.read);
    return caption;
}

void SimDesktop::SetCaption(WindowId form, std::string_view text) {
    FormNode(form).form->caption = std::string(text);
    Record("SetCaption", form);
    Spend(m_costs.write);
}

float SimDesktop::Left(WindowId form) {
    Record("Left", form);
    const float left = FormNode(form).form->left;
    Spend(m_costs.read);
    return left;
}

float SimDesktop::Top(WindowId form) {
    Record("Top", form);
    const float top = FormNode(form).form->top;
    Spend(m_costs.read);
    return top;
}

float SimDesktop::Width(WindowId form) {
    Record("Width", form);
    const float width = FormNode(form).form->width;
    Spend(m_costs.read);
    return width;
}

float SimDesktop::Height(WindowId form) {
    Record("Height", form);
    const float height = FormNode(form).form->height;
    Spend(m_costs.read);
    return height;
}

float SimDesktop::Place(float requested, float current) const {
    switch (m_moveMode) {
        case MoveMode::Exact:
            return requested;
        case MoveMode::SnapToPixels:
            return PixelsToTwips(TwipsToPixels(requested));
        case MoveMode::Refuse:
            return current;
    }
    return requested;
}

void SimDesktop::SetLeft(WindowId form, float twips) {
    FormState& state = *FormNode(form).form;
    Record("SetLeft", form, twips);
    state.left = Place(twips, state.left);
    Moved(state);
    Spend(m_costs.move);
}

void SimDesktop::SetTop(WindowId form, float twips) {
    FormState& state = *FormNode(form).form;
    Record("SetTop", form, twips);
    state.top = Place(twips, state.top);
    Moved(state);
    Spend(m_costs.move);
}

void SimDesktop::Moved(FormState& form) {
    if (m_recording) form.places.emplace_back(form.left, form.top);
}

void SimDesktop::Minimize(WindowId form) {
    FormNode(form).form->minimized = true;
    Record("Minimize", form);
    Spend(m_costs.showHide);
}

float SimDesktop::ScreenWidth() {
    Record("ScreenWidth", kNoWindow);
    Spend(m_costs.read);
    return m_screenWidth;
}

float SimDesktop::ScreenHeight() {
    Record("ScreenHeight", kNoWindow);
    Spend(m_costs.read);
    return m_screenHeight;
}

// ---- Controls --------------------------------------------------------------------
// A control of the wrong kind fails as it does on the Win32 backend.

std::string SimDesktop::ControlText(WindowId form, ControlId control) {
    std::string text = ControlOf(form, control).text;
    if (LayoutOf(form, control).kind == ControlKind::Timer) throw RuntimeError("a timer has no text");
    Spend(m_costs.read);
    return text;
}

void SimDesktop::SetControlText(WindowId form, ControlId control, std::string_view text) {
    ControlState& state = ControlOf(form, control);
    if (LayoutOf(form, control).kind == ControlKind::Timer) throw RuntimeError("a timer has no text");
    state.text = std::string(text);
    Spend(m_costs.write);
}

void SimDesktop::SetControlVisible(WindowId form, ControlId control, bool visible) {
    ControlState& state = ControlOf(form, control);
    if (LayoutOf(form, control).kind == ControlKind::Timer) throw RuntimeError("a timer is never seen");
    state.visible = visible;
    Spend(m_costs.write);
}

bool SimDesktop::TimerEnabled(WindowId form, ControlId timer) {
    const bool enabled = ControlOf(form, timer).timerEnabled;
    if (LayoutOf(form, timer).kind != ControlKind::Timer) throw RuntimeError("not a timer: " + Num(timer));
    Spend(m_costs.read);
    return enabled;
}

void SimDesktop::SetTimerEnabled(WindowId form, ControlId timer, bool enabled) {
    ControlState& state = ControlOf(form, timer);
    const ControlLayout& layout = LayoutOf(form, timer);
    if (layout.kind != ControlKind::Timer) throw RuntimeError("not a timer: " + layout.name);
    // Enabling restarts the interval, also of a running timer.
    if (enabled) state.timerDue = m_now + std::chrono::milliseconds(layout.intervalMs);
    if (layout.intervalMs > 0 && enabled != state.timerEnabled) m_live.timers += enabled ? 1 : -1;
    state.timerEnabled = enabled;
    Spend(m_costs.write);
}

// ---- user32 ----------------------------------------------------------------------

WindowId SimDesktop::FindWindowA(const char* className) {
    Record(std::string("FindWindowA ") + className, kNoWindow);
    Spend(m_costs.lookup);
    for (WindowId id : m_topLevel) {
        if (m_windows.at(id).className == className) return id;
    }
    return kNoWindow;
}

WindowId SimDesktop::FindWindowExA(WindowId parent, WindowId childAfter, const char* className) {
    Record(std::string("FindWindowExA ") + className, parent, childAfter);
    Spend(m_costs.lookup);
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
    if (hungUntil > m_now && hungUntil - m_now > timeout) {
        Spend(timeout);
        return false;
    }
    AdvanceTo(hungUntil);
    Spend(m_costs.send);
    return true;
}

bool SimDesktop::SendSetText(WindowId target, std::string_view utf8, std::chrono::milliseconds timeout) {
    SentMessage message{m_now, target, kWmSetText, 0, Utf8ToWindows1252(utf8), false};
    const auto it = m_windows.find(target);
    if (it != m_windows.end() && it->second.hangOnText > nanoseconds{} && it->second.hungUntil <= m_now) {
        // Handled at once, and the handler blocks before it returns.
        Node& node = it->second;
        node.text = message.bytes;
        node.hungUntil = m_now + m_costs.send + node.hangOnText;
        node.hangOnText = {};
        message.arrived = true;
        message.delivered = Deliver(target, timeout);
    } else {
        message.delivered = message.arrived = Deliver(target, timeout);
        if (message.delivered) m_windows.at(target).text = message.bytes;
    }
    const bool delivered = message.delivered;
    if (m_recording) m_messages.push_back(std::move(message));
    return delivered;
}

bool SimDesktop::SendChar(WindowId target, unsigned code, std::chrono::milliseconds timeout) {
    SentMessage message{m_now, target, kWmChar, code, {}, false};
    message.delivered = Deliver(target, timeout);
    message.arrived = message.delivered;
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

// The window system's move loop, as Wine runs it: it holds the mouse and
// takes every message from the program's queue. Pointer moves move the
// window, the left button's release or Return ends the move, Escape puts the
// window back; everything else is dispatched, timer ticks included.
void SimDesktop::SendSysCommand(WindowId target, unsigned wParam, std::intptr_t lParam) {
    Record("SendSysCommand " + Num(lParam), target, wParam);
    if (m_recording) m_messages.push_back(SentMessage{m_now, target, kWmSysCommand, wParam, {}, true});
    const auto it = m_windows.find(target);
    if (it == m_windows.end() || !it->second.form || it->second.form->destroyed || wParam != kScDragMove) return;
    FormState& state = *it->second.form;
    const float startLeft = state.left, startTop = state.top;
    const Point grabbed = m_pointer;
    ++m_systemLoops;
    m_capture = Target{target, -1, {}};
    OnExit leave{[&] {
        --m_systemLoops;
        DropCapture();
    }};
    for (;;) {
        const auto input = TakeInput(true);
        if (!input) {
            if (!FireDueTimer()) WaitForMore();
            continue;
        }
        if ((input->kind == InputKind::Release && input->button == MouseButton::Left) ||
            (input->kind == InputKind::Key && input->key == Key::Return))
            break;
        if (input->kind == InputKind::Key && input->key == Key::Escape) {
            state.left = startLeft;
            state.top = startTop;
            Moved(state);
            Spend(m_costs.move);
            break;
        }
        if (input->kind == InputKind::Move) {
            state.left = Place(startLeft + (input->at.x - grabbed.x), state.left);
            state.top = Place(startTop + (input->at.y - grabbed.y), state.top);
            Moved(state);
            Spend(m_costs.move);
            continue;
        }
        Handle(*input);
    }
}

void SimDesktop::SetWindowPos(WindowId window, std::intptr_t insertAfter, int x, int y, int cx, int cy,
                              unsigned flags) {
    Record("SetWindowPos " + Num(insertAfter) + " " + Num(x) + " " + Num(y) + " " + Num(cx) + " " +
               Num(cy) + " " + Num(flags),
           window);
    Spend(m_costs.write);
    const auto it = m_windows.find(window);
    if (it == m_windows.end() || !it->second.form || it->second.form->destroyed) return;
    FormState& state = *it->second.form;
    if ((flags & kSwpNoZOrder) == 0 && insertAfter == kHwndTopmost) state.topmost = true;
    if ((flags & kSwpNoZOrder) == 0 && insertAfter == kHwndNoTopmost) state.topmost = false;
    if (flags & kSwpShowWindow) ShowForm(window);
    if (flags & kSwpHideWindow) HideForm(window);
    if ((flags & kSwpNoMove) == 0) {
        state.left = Place(PixelsToTwips(x), state.left);
        state.top = Place(PixelsToTwips(y), state.top);
        Moved(state);
        Spend(m_costs.move);
    }
    if ((flags & kSwpNoSize) == 0) {
        state.width = PixelsToTwips(cx);
        state.height = PixelsToTwips(cy);
    }
}

void SimDesktop::ReleaseCapture() {
    Record("ReleaseCapture", kNoWindow, m_capture ? 1 : 0);
    DropCapture();
}

// Whoever loses the capture loses its press too, as WM_CAPTURECHANGED tells it.
void SimDesktop::DropCapture() {
    if (m_capture) {
        if (const auto it = m_windows.find(m_capture->form); it != m_windows.end()) it->second.pressed = -1;
    }
    m_capture.reset();
}

int SimDesktop::ProgramWindowsOnScreen() const {
    int count = 0;
    for (const auto& [id, node] : m_windows)
        count += node.form && !node.form->destroyed && node.form->visible && !node.form->minimized;
    return count;
}

}  // namespace platform::sim
