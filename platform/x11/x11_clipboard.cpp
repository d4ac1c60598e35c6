// The clipboard as the CLIPBOARD selection, carrying typed representations as they are.
// Owning: a copy keeps the representations (shared bytes kept once) and makes the display
// thread the selection's owner at a real server time; it then answers TARGETS, TIMESTAMP,
// MULTIPLE and every offered type, large answers by the INCR protocol, and at the end hands
// the content to a clipboard manager if one runs. Reading: the display thread asks the owner
// for TARGETS and then for the first of the caller's types it lists (an owner without TARGETS
// is asked for each type in turn; while the server still names us the owner, our own content
// answers); every answer or INCR piece must come within a second of the last, so a read
// always ends, and the caller waits for that end however long a large picture takes.
#include "x11_internal.h"
#include "../clipboard.h"

#include <X11/Xatom.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum {
    PIECE_TIMEOUT_MS = 1000,       // reading: the owner's next answer or piece
    INCR_SEND_TIMEOUT_MS = 10000,  // owning: the requestor's next deletion
    SAVE_TIMEOUT_MS = 3000,        // the manager's answer, counted from its last request to us
    SAVE_WAIT_MS = 15000           // the stopping thread's own bound on the hand-over
};
static const long INCR_RESERVE_MAX = 512L * 1024 * 1024;

static uint64_t g_clip_generation = 0;    // under g_x11.lock: bumped by each offer
static uint64_t g_owned_generation = 0;   // display thread: the content it owns the selection for

static void CompleteWith(const std::shared_ptr<Completion>& c, int result) {
    if (!c) return;
    std::lock_guard<std::mutex> guard(c->lock);
    c->done = true;
    c->result = result;
    c->done_cv.notify_all();
}

// ---- Owning the selection ----------------------------------------------------------------

int X11OfferClipboard(const ClipOffer* offers, int count) {
    std::vector<HeldOffer> held;
    for (int i = 0; i < count; i++) {
        if (!offers[i].type || strlen(offers[i].type) >= CLIP_TYPE_MAX) return 1;
        SharedBytes bytes;
        for (int j = 0; j < i && !bytes; j++)
            if (offers[j].data == offers[i].data && offers[j].size == offers[i].size) bytes = held[(size_t)j].bytes;
        if (!bytes)
            bytes = std::make_shared<const std::vector<uint8_t>>(offers[i].data, offers[i].data + offers[i].size);
        held.push_back(HeldOffer{offers[i].type, None, bytes});
    }
    {
        std::lock_guard<std::mutex> guard(g_x11.lock);
        if (!g_x11.running) return 1;
        g_x11.clip_offers.swap(held);
        g_x11.clip_owned = true;
        g_clip_generation++;
    }
    // Other clients may paste as soon as this returns: wait until the server names us the
    // owner (bounded; a slow display thread still takes it in order).
    Command cmd;
    cmd.type = CMD_OWN_CLIPBOARD;
    auto completion = std::make_shared<Completion>();
    cmd.completion = completion;
    QueueCommand(std::move(cmd));
    WaitCompletion(completion, 3000, nullptr);
    return 0;
}

static Bool IsTimeProbe(Display*, XEvent* ev, XPointer) {
    return ev->type == PropertyNotify && ev->xproperty.window == g_x11.helper &&
           ev->xproperty.atom == g_atoms.pixkit_time;
}

// The server's time now: an empty append to a property of ours comes back with it.
static Time ServerTime(void) {
    XChangeProperty(g_x11.dpy, g_x11.helper, g_atoms.pixkit_time, XA_INTEGER, 8, PropModeAppend, nullptr, 0);
    XEvent ev;
    XIfEvent(g_x11.dpy, &ev, IsTimeProbe, nullptr);
    return ev.xproperty.time;
}

// Gives the offered types their atoms (one round trip for all of them).
static void InternOfferAtoms(uint64_t generation) {
    std::vector<std::string> names;
    {
        std::lock_guard<std::mutex> guard(g_x11.lock);
        for (const HeldOffer& offer : g_x11.clip_offers) names.push_back(offer.type);
    }
    if (names.empty()) return;
    std::vector<char*> pointers;
    for (std::string& name : names) pointers.push_back(&name[0]);
    std::vector<Atom> atoms(names.size());
    XInternAtoms(g_x11.dpy, pointers.data(), (int)names.size(), False, atoms.data());
    std::lock_guard<std::mutex> guard(g_x11.lock);
    if (g_clip_generation != generation) return;
    for (size_t i = 0; i < atoms.size(); i++) g_x11.clip_offers[i].atom = atoms[i];
}

void OwnClipboard(void) {
    uint64_t generation;
    {
        std::lock_guard<std::mutex> guard(g_x11.lock);
        generation = g_clip_generation;
    }
    InternOfferAtoms(generation);
    Time now = ServerTime();
    XSetSelectionOwner(g_x11.dpy, g_atoms.clipboard, g_x11.helper, now);
    g_owned_generation = generation;
    if (XGetSelectionOwner(g_x11.dpy, g_atoms.clipboard) == g_x11.helper) {
        g_x11.clip_time = now;
        return;
    }
    std::lock_guard<std::mutex> guard(g_x11.lock);
    if (g_clip_generation == generation) g_x11.clip_owned = false;
}

void HandleSelectionClear(const XSelectionClearEvent& ev) {
    if (ev.selection != g_atoms.clipboard) return;
    std::lock_guard<std::mutex> guard(g_x11.lock);
    // A newer content has its own claim on the way; only the content that lost goes.
    if (g_clip_generation != g_owned_generation) return;
    g_x11.clip_owned = false;
    g_x11.clip_offers.clear();
}

static size_t IncrChunk(void) {
    long max = XExtendedMaxRequestSize(g_x11.dpy);
    if (max <= 0) max = XMaxRequestSize(g_x11.dpy);
    size_t bytes = (size_t)max * 4 - 1024;
    return bytes > 256 * 1024 ? 256 * 1024 : bytes;
}

static void AnswerTargets(Window requestor, Atom property) {
    std::vector<Atom> targets{g_atoms.targets, g_atoms.timestamp, g_atoms.multiple};
    {
        std::lock_guard<std::mutex> guard(g_x11.lock);
        for (const HeldOffer& offer : g_x11.clip_offers)
            if (offer.atom != None) targets.push_back(offer.atom);
    }
    XChangeProperty(g_x11.dpy, requestor, property, XA_ATOM, 32, PropModeReplace, (unsigned char*)targets.data(),
                    (int)targets.size());
}

static void SendBytes(Window requestor, Atom property, Atom type, const SharedBytes& bytes) {
    if (bytes->size() <= IncrChunk()) {
        XChangeProperty(g_x11.dpy, requestor, property, type, 8, PropModeReplace, bytes->data(), (int)bytes->size());
        return;
    }
    // Too large for one request: announce INCR and hand out a piece each time the requestor
    // deletes the property.
    XSelectInput(g_x11.dpy, requestor, PropertyChangeMask);
    long size = (long)bytes->size();
    XChangeProperty(g_x11.dpy, requestor, property, g_atoms.incr, 32, PropModeReplace, (unsigned char*)&size, 1);
    g_x11.incr_sends.push_back(IncrSend{requestor, property, type, bytes, 0, X11NowMs()});
}

// Puts one target's answer on the requestor's property; false when we do not offer it.
static bool ServeTarget(Window requestor, Atom target, Atom property) {
    if (target == g_atoms.targets) {
        AnswerTargets(requestor, property);
        return true;
    }
    if (target == g_atoms.timestamp) {
        long time = (long)g_x11.clip_time;
        XChangeProperty(g_x11.dpy, requestor, property, XA_INTEGER, 32, PropModeReplace, (unsigned char*)&time, 1);
        return true;
    }
    SharedBytes bytes;
    {
        std::lock_guard<std::mutex> guard(g_x11.lock);
        for (const HeldOffer& offer : g_x11.clip_offers)
            if (offer.atom == target && target != None) {
                bytes = offer.bytes;
                break;
            }
    }
    if (!bytes) return false;
    // TEXT lets the owner choose the encoding; ours is UTF-8.
    SendBytes(requestor, property, target == g_atoms.text ? g_atoms.utf8_string : target, bytes);
    return true;
}

// MULTIPLE: the property lists (target, property) pairs; each one we cannot serve is
// answered by setting its target to None.
static bool ServeMultiple(Window requestor, Atom property) {
    Atom type = None;
    int bits = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(g_x11.dpy, requestor, property, 0, 0x1FFFFFFF, False, AnyPropertyType, &type, &bits, &n,
                           &after, &data) != Success)
        return false;
    if (!data || bits != 32) {
        if (data) XFree(data);
        return false;
    }
    Atom* pairs = (Atom*)data;   // 32-bit items come as longs, which is what an Atom is
    for (unsigned long i = 0; i + 1 < n; i += 2)
        if (pairs[i + 1] == None || pairs[i] == g_atoms.multiple || !ServeTarget(requestor, pairs[i], pairs[i + 1]))
            pairs[i] = None;
    XChangeProperty(g_x11.dpy, requestor, property, g_atoms.atom_pair, 32, PropModeReplace, data, (int)n);
    XFree(data);
    return true;
}

// A manager taking our content over asks for each type: it is still working.
static void NoteManagerActivity(void) {
    if (g_x11.save) g_x11.save_deadline_ms = X11NowMs() + SAVE_TIMEOUT_MS;
}

void HandleSelectionRequest(const XSelectionRequestEvent& ev) {
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = ev.display;
    reply.xselection.requestor = ev.requestor;
    reply.xselection.selection = ev.selection;
    reply.xselection.target = ev.target;
    reply.xselection.property = None;
    reply.xselection.time = ev.time;
    // Old clients leave the property out; the target names it then.
    Atom property = ev.property != None ? ev.property : ev.target;
    bool owned;
    {
        std::lock_guard<std::mutex> guard(g_x11.lock);
        owned = g_x11.clip_owned;
    }
    if (ev.selection == g_atoms.clipboard && owned) {
        bool served = ev.target == g_atoms.multiple ? ev.property != None && ServeMultiple(ev.requestor, ev.property)
                                                    : ServeTarget(ev.requestor, ev.target, property);
        if (served) reply.xselection.property = property;
    }
    XSendEvent(g_x11.dpy, ev.requestor, False, NoEventMask, &reply);
    NoteManagerActivity();
}

static void SendNextPiece(size_t index) {
    IncrSend& s = g_x11.incr_sends[index];
    size_t chunk = IncrChunk();
    size_t n = s.data->size() - s.offset;
    if (n > chunk) n = chunk;
    XChangeProperty(g_x11.dpy, s.requestor, s.property, s.type, 8, PropModeReplace, s.data->data() + s.offset, (int)n);
    s.started_ms = X11NowMs();
    NoteManagerActivity();
    if (n == 0) {
        // The empty piece ends the transfer.
        XSelectInput(g_x11.dpy, s.requestor, NoEventMask);
        g_x11.incr_sends.erase(g_x11.incr_sends.begin() + (long)index);
        return;
    }
    s.offset += n;
}

// ---- Handing over to a clipboard manager -------------------------------------------------

static void FinishSave(int result) {
    std::shared_ptr<Completion> save = std::move(g_x11.save);
    g_x11.save.reset();
    CompleteWith(save, result);
}

void StartClipboardSave(const Command& cmd) {
    if (g_x11.save) FinishSave(1);
    std::vector<Atom> types;
    bool owned;
    {
        std::lock_guard<std::mutex> guard(g_x11.lock);
        owned = g_x11.clip_owned;
        for (const HeldOffer& offer : g_x11.clip_offers)
            if (offer.atom != None) types.push_back(offer.atom);
    }
    if (!owned || types.empty() || XGetSelectionOwner(g_x11.dpy, g_atoms.clipboard) != g_x11.helper ||
        XGetSelectionOwner(g_x11.dpy, g_atoms.clipboard_manager) == None) {
        CompleteWith(cmd.completion, 1);
        return;
    }
    // The property names the types worth keeping; the manager asks us for them and answers
    // when it holds them.
    XChangeProperty(g_x11.dpy, g_x11.helper, g_atoms.pixkit_save, XA_ATOM, 32, PropModeReplace,
                    (unsigned char*)types.data(), (int)types.size());
    g_x11.save = cmd.completion;
    g_x11.save_deadline_ms = X11NowMs() + SAVE_TIMEOUT_MS;
    XConvertSelection(g_x11.dpy, g_atoms.clipboard_manager, g_atoms.save_targets, g_atoms.pixkit_save, g_x11.helper,
                      CurrentTime);
}

void HandClipboardToManager(void) {
    {
        std::lock_guard<std::mutex> guard(g_x11.lock);
        if (!g_x11.running || !g_x11.clip_owned) return;
    }
    Command cmd;
    cmd.type = CMD_SAVE_CLIPBOARD;
    auto completion = std::make_shared<Completion>();
    cmd.completion = completion;
    QueueCommand(std::move(cmd));
    WaitCompletion(completion, SAVE_WAIT_MS, nullptr);
}

// ---- Reading the selection ---------------------------------------------------------------

static void AskFor(Atom target) {
    SelectionRead& read = g_x11.read;
    read.target = target;
    read.incr = false;
    read.data.clear();
    read.type = None;
    read.deadline_ms = X11NowMs() + PIECE_TIMEOUT_MS;
    XDeleteProperty(g_x11.dpy, g_x11.helper, g_atoms.pixkit_sel);
    XConvertSelection(g_x11.dpy, read.selection, target, g_atoms.pixkit_sel, g_x11.helper, read.time);
}

static void StartRead(SelectionRead&& setup, Atom first) {
    if (g_x11.read.active) FinishRead(false);
    g_x11.read = std::move(setup);
    g_x11.read.active = true;
    if (XGetSelectionOwner(g_x11.dpy, g_x11.read.selection) == None) {
        FinishRead(false);
        return;
    }
    AskFor(first);
}

// Our own content is answered from what we hold, without asking the server for it. Only the
// server knows whether it is still ours: another client may have taken the clipboard over
// while its SelectionClear still waits in our queue, and then its content is the one pasted.
static bool ReadOwn(const std::vector<std::string>& types, std::vector<uint8_t>* bytes, std::string* type) {
    SharedBytes held;
    {
        std::lock_guard<std::mutex> guard(g_x11.lock);
        if (!g_x11.clip_owned) return false;
        for (size_t t = 0; t < types.size() && !held; t++)
            for (const HeldOffer& offer : g_x11.clip_offers)
                if (offer.type == types[t]) {
                    held = offer.bytes;
                    // TEXT is answered as UTF-8, as other clients get it.
                    *type = offer.type == "TEXT" ? "UTF8_STRING" : offer.type;
                    break;
                }
    }
    if (!held) return false;
    *bytes = *held;
    return true;
}

static void AnswerOwn(const Command& cmd) {
    std::vector<uint8_t> bytes;
    std::string type;
    bool ok = ReadOwn(cmd.types, &bytes, &type);
    std::lock_guard<std::mutex> c(cmd.completion->lock);
    cmd.completion->bytes = std::move(bytes);
    cmd.completion->type = type;
    cmd.completion->have_bytes = ok;
    cmd.completion->done = true;
    cmd.completion->result = ok ? 0 : 1;
    cmd.completion->done_cv.notify_all();
}

void StartClipboardRead(const Command& cmd) {
    if (XGetSelectionOwner(g_x11.dpy, g_atoms.clipboard) == g_x11.helper) return AnswerOwn(cmd);
    SelectionRead setup{};
    setup.selection = g_atoms.clipboard;
    setup.time = CurrentTime;
    setup.completion = cmd.completion;
    std::vector<std::string> names = cmd.types;
    std::vector<char*> pointers;
    for (std::string& name : names) pointers.push_back(&name[0]);
    setup.wanted.resize(names.size());
    if (!names.empty()) XInternAtoms(g_x11.dpy, pointers.data(), (int)names.size(), False, setup.wanted.data());
    setup.asking_targets = true;
    StartRead(std::move(setup), g_atoms.targets);
}

void StartDropRead(Time time) {
    SelectionRead setup{};
    setup.drop = true;
    setup.selection = g_atoms.xdnd_selection;
    setup.time = time;
    StartRead(std::move(setup), g_atoms.text_uri_list);
}

void FinishRead(bool ok) {
    SelectionRead read = std::move(g_x11.read);
    g_x11.read = SelectionRead{};
    if (read.drop) {
        HandleDropData(read.data, ok);
        return;
    }
    if (!read.completion) return;
    std::string type;
    if (ok && read.type != None) {
        char* name = XGetAtomName(g_x11.dpy, read.type);
        if (name) {
            type = name;
            XFree(name);
        }
    }
    std::lock_guard<std::mutex> c(read.completion->lock);
    if (ok) read.completion->bytes = std::move(read.data);
    read.completion->type = type;
    read.completion->have_bytes = ok;
    read.completion->done = true;
    read.completion->result = ok ? 0 : 1;
    read.completion->done_cv.notify_all();
}

// The owner refused the type asked for: without TARGETS each wanted type is tried in turn.
static void Refused(void) {
    SelectionRead& read = g_x11.read;
    if (read.asking_targets) {
        read.asking_targets = false;
        read.guessing = true;
        read.next_wanted = 0;
    }
    if (read.guessing && read.next_wanted < read.wanted.size()) {
        AskFor(read.wanted[read.next_wanted++]);
        return;
    }
    FinishRead(false);
}

// A whole answer is in read.data: the list of targets, or the data itself.
static void Arrived(void) {
    SelectionRead& read = g_x11.read;
    if (!read.asking_targets) {
        FinishRead(true);
        return;
    }
    if (read.bits != 32) {
        Refused();
        return;
    }
    read.asking_targets = false;
    size_t n = read.data.size() / sizeof(long);
    std::vector<long> listed(n);
    if (n) memcpy(listed.data(), read.data.data(), n * sizeof(long));
    for (Atom want : read.wanted)
        for (long atom : listed)
            if ((Atom)atom == want && want != None) {
                AskFor(want);
                return;
            }
    FinishRead(false);
}

// Takes the property's bytes (and deletes it, which also asks an INCR owner for more).
static bool TakeProperty(std::vector<uint8_t>* out, Atom* type_out, int* bits_out, bool* incr) {
    Atom type = None;
    int bits = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(g_x11.dpy, g_x11.helper, g_atoms.pixkit_sel, 0, 0x1FFFFFFF, True, AnyPropertyType, &type,
                           &bits, &n, &after, &data) != Success)
        return false;
    *incr = type == g_atoms.incr;
    *type_out = type;
    *bits_out = bits;
    if (data) {
        size_t unit = bits == 32 ? sizeof(long) : bits == 16 ? 2 : 1;
        if (!*incr) out->insert(out->end(), data, data + n * unit);
        // INCR announces the size (a lower bound): room for it at once saves copying a large
        // picture over and over as it grows, within a bound a stranger cannot push us past.
        long announced = *incr && n >= 1 && bits == 32 ? *(const long*)data : 0;
        if (announced > 0 && announced <= INCR_RESERVE_MAX) out->reserve((size_t)announced);
        XFree(data);
    }
    return type != None;
}

void HandleSelectionNotify(const XSelectionEvent& ev) {
    if (ev.requestor != g_x11.helper) return;
    if (ev.selection == g_atoms.clipboard_manager) {
        if (g_x11.save) FinishSave(ev.property != None ? 0 : 1);
        return;
    }
    SelectionRead& read = g_x11.read;
    if (!read.active || ev.selection != read.selection) return;
    if (ev.property == None) {
        Refused();
        return;
    }
    bool incr = false;
    Atom type = None;
    int bits = 0;
    std::vector<uint8_t> bytes;
    if (!TakeProperty(&bytes, &type, &bits, &incr)) {
        Refused();
        return;
    }
    if (incr) {
        read.incr = true;
        read.data = std::move(bytes);   // empty, with room for the announced size
        read.deadline_ms = X11NowMs() + PIECE_TIMEOUT_MS;
        return;
    }
    read.type = type;
    read.bits = bits;
    read.data = std::move(bytes);
    Arrived();
}

void HandleSelectionProperty(const XPropertyEvent& ev) {
    if (ev.window == g_x11.helper) {
        SelectionRead& read = g_x11.read;
        if (!read.active || !read.incr || ev.atom != g_atoms.pixkit_sel || ev.state != PropertyNewValue) return;
        bool incr = false;
        Atom type = None;
        int bits = 0;
        size_t before = read.data.size();
        if (!TakeProperty(&read.data, &type, &bits, &incr)) return;
        read.deadline_ms = X11NowMs() + PIECE_TIMEOUT_MS;
        if (read.data.size() == before) {
            Arrived();   // the empty piece ends the transfer
        } else {
            read.type = type;
            read.bits = bits;
        }
        return;
    }
    if (ev.state != PropertyDelete) return;
    for (size_t i = 0; i < g_x11.incr_sends.size(); i++)
        if (g_x11.incr_sends[i].requestor == ev.window && g_x11.incr_sends[i].property == ev.atom) {
            SendNextPiece(i);
            return;
        }
}

bool SelectionWaitActive(void) { return g_x11.read.active || g_x11.save != nullptr; }

void CheckReadTimeout(void) {
    uint32_t now = X11NowMs();
    if (g_x11.read.active && (int32_t)(now - g_x11.read.deadline_ms) > 0) FinishRead(false);
    if (g_x11.save && (int32_t)(now - g_x11.save_deadline_ms) > 0) FinishSave(1);
    for (size_t i = 0; i < g_x11.incr_sends.size();) {
        if (now - g_x11.incr_sends[i].started_ms > INCR_SEND_TIMEOUT_MS) {
            // The requestor stopped taking pieces (or went away).
            XSelectInput(g_x11.dpy, g_x11.incr_sends[i].requestor, NoEventMask);
            g_x11.incr_sends.erase(g_x11.incr_sends.begin() + (long)i);
        } else {
            i++;
        }
    }
}

void EndSelectionWaits(void) {
    if (g_x11.read.active) FinishRead(false);
    if (g_x11.save) FinishSave(1);
}

// Every read goes through the display thread, waiting for as long as the owner keeps sending.
static bool ReadThroughDisplay(const char* const* types, int count, std::vector<uint8_t>* bytes, std::string* type) {
    auto completion = std::make_shared<Completion>();
    Command cmd;
    cmd.type = CMD_READ_CLIPBOARD;
    for (int t = 0; t < count; t++) cmd.types.push_back(types[t]);
    cmd.completion = completion;
    QueueCommand(std::move(cmd));
    for (;;) {
        bool timed_out = false;
        WaitCompletion(completion, PIECE_TIMEOUT_MS, &timed_out);
        if (!timed_out) break;
        std::lock_guard<std::mutex> guard(g_x11.lock);
        if (!g_x11.running) return false;
    }
    std::lock_guard<std::mutex> c(completion->lock);
    if (!completion->have_bytes) return false;
    *bytes = std::move(completion->bytes);
    *type = completion->type;
    return true;
}

uint8_t* X11ReadClipboard(const char* const* types, int count, char* type_out, size_t* size) {
    {
        std::lock_guard<std::mutex> guard(g_x11.lock);
        if (!g_x11.running) return nullptr;
    }
    std::vector<uint8_t> bytes;
    std::string type;
    if (!ReadThroughDisplay(types, count, &bytes, &type)) return nullptr;
    uint8_t* copy = (uint8_t*)malloc(bytes.size() + 2);
    if (!copy) return nullptr;
    if (!bytes.empty()) memcpy(copy, bytes.data(), bytes.size());
    copy[bytes.size()] = 0;
    copy[bytes.size() + 1] = 0;
    snprintf(type_out, CLIP_TYPE_MAX, "%s", type.c_str());
    if (size) *size = bytes.size();
    return copy;
}
