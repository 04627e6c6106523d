#include "Platform/Linux/WlrootsLockLayer.h"

// The C header names a parameter "namespace".
#define namespace layerNamespace
#include "Platform/Linux/WaylandEvents.h"
#include "wayland/keyboard-shortcuts-inhibit-unstable-v1-client-protocol.h"
#include "wayland/wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QSocketNotifier>

#include <algorithm>
#include <cstring>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

using namespace Qt::StringLiterals;

namespace {

// One frame in shared memory, as the compositor reads it.
struct ShmBuffer
{
    wl_buffer* buffer = nullptr;
    void* data = MAP_FAILED;
    size_t size = 0;

    ~ShmBuffer()
    {
        if (buffer) {
            wl_buffer_destroy(buffer);
        }
        if (data != MAP_FAILED) {
            ::munmap(data, size);
        }
    }
};

std::unique_ptr<ShmBuffer> makeBuffer(wl_shm* shm, int width, int height)
{
    auto result = std::make_unique<ShmBuffer>();
    const int stride = width * 4;
    result->size = size_t(stride) * size_t(height);
    const int fd = ::memfd_create("vantorel-lock", MFD_CLOEXEC);
    if (fd < 0 || ::ftruncate(fd, off_t(result->size)) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        return nullptr;
    }
    result->data = ::mmap(nullptr, result->size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (result->data == MAP_FAILED) {
        ::close(fd);
        return nullptr;
    }
    auto* pool = wl_shm_create_pool(shm, fd, int(result->size));
    result->buffer = wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_ARGB8888);
    wl_shm_pool_destroy(pool);
    ::close(fd);
    return result;
}

} // namespace

struct WlrootsLockLayer::Private
{
    struct Output
    {
        Private* owner = nullptr;
        uint32_t name = 0;
        wl_output* output = nullptr;
        wl_surface* surface = nullptr;
        zwlr_layer_surface_v1* layer = nullptr;
        zwp_keyboard_shortcuts_inhibitor_v1* inhibitor = nullptr;
        std::unique_ptr<ShmBuffer> frame;
        int width = 0;
        int height = 0;
        bool configured = false;

        void cover();
        void uncover();
        void draw();
    };

    WlrootsLockLayer* q = nullptr;
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    wl_seat* seat = nullptr;
    wl_keyboard* keyboard = nullptr;
    zwlr_layer_shell_v1* shell = nullptr;
    zwp_keyboard_shortcuts_inhibit_manager_v1* shortcuts = nullptr;
    std::vector<std::unique_ptr<Output>> outputs;
    QSocketNotifier* notifier = nullptr;
    xkb_context* xkb = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap* keymap = nullptr;
    xkb_state* keyState = nullptr;

    bool shown = false;
    QStringList lines;
    QString password;
    Texts texts;
    bool refused = false;
    Client client;
    std::function<void()> onLost;

    void pump();
    void redrawAll()
    {
        for (const auto& output : outputs) {
            output->draw();
        }
        wl_display_flush(display);
    }
    void onKey(uint32_t key);

    static const wl_registry_listener registryListener;
    static const wl_seat_listener seatListener;
    static const wl_keyboard_listener keyboardListener;
    static const zwlr_layer_surface_v1_listener layerListener;
};

void WlrootsLockLayer::Private::Output::cover()
{
    if (layer || !owner->compositor || !owner->shell) {
        return;
    }
    surface = wl_compositor_create_surface(owner->compositor);
    layer = zwlr_layer_shell_v1_get_layer_surface(owner->shell, surface, output,
                                                  ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "vantorel-lock");
    zwlr_layer_surface_v1_add_listener(layer, &layerListener, this);
    // Anchored to all four edges with no size: the compositor makes it as large as the output.
    zwlr_layer_surface_v1_set_anchor(layer,
                                     ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM
                                         | ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT
                                         | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_size(layer, 0, 0);
    // Over panels too, rather than beside them.
    zwlr_layer_surface_v1_set_exclusive_zone(layer, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(layer,
                                                     ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
    // The compositor reads its own key bindings before any client sees a key: without this, a
    // binding of the child's configuration would run commands from under the lock.
    if (owner->shortcuts && owner->seat) {
        inhibitor = zwp_keyboard_shortcuts_inhibit_manager_v1_inhibit_shortcuts(owner->shortcuts, surface,
                                                                                owner->seat);
    }
    wl_surface_commit(surface);
}

void WlrootsLockLayer::Private::Output::uncover()
{
    if (inhibitor) {
        zwp_keyboard_shortcuts_inhibitor_v1_destroy(inhibitor);
        inhibitor = nullptr;
    }
    if (layer) {
        zwlr_layer_surface_v1_destroy(layer);
        layer = nullptr;
    }
    if (surface) {
        wl_surface_destroy(surface);
        surface = nullptr;
    }
    frame.reset();
    configured = false;
}

void WlrootsLockLayer::Private::Output::draw()
{
    if (!configured || width <= 0 || height <= 0) {
        return;
    }
    auto next = makeBuffer(owner->shm, width, height);
    if (!next) {
        return;
    }
    // ARGB8888 in the host's byte order is Qt's 32-bit ARGB on the little-endian machines Linux
    // desktops run on.
    QImage image(static_cast<uchar*>(next->data), width, height, width * 4,
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(0x1f, 0x23, 0x2b));
    QPainter painter(&image);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    const int base = std::max(12, height / 40);
    QRect area(width / 8, height / 4, width * 3 / 4, height / 2);
    for (qsizetype i = 0; i < owner->lines.size(); ++i) {
        font.setPixelSize(i == 0 ? base * 2 : base);
        font.setBold(i == 0);
        painter.setFont(font);
        const auto bounds = painter.boundingRect(area, Qt::AlignHCenter | Qt::TextWordWrap, owner->lines[i]);
        painter.drawText(bounds, Qt::AlignHCenter | Qt::TextWordWrap, owner->lines[i]);
        area.setTop(bounds.bottom() + base);
    }
    // The password field: one dot per character typed, never the characters.
    const QRect field(width / 2 - base * 10, area.top() + base, base * 20, base * 2);
    painter.setPen(QColor(0x9a, 0xa4, 0xb5));
    painter.drawRoundedRect(field, base / 3, base / 3);
    painter.setPen(Qt::white);
    painter.drawText(field, Qt::AlignCenter, QString(owner->password.size(), QChar(0x25CF)));
    painter.end();

    wl_surface_attach(surface, next->buffer, 0, 0);
    wl_surface_damage(surface, 0, 0, width, height);
    wl_surface_commit(surface);
    frame = std::move(next);
}

const wl_registry_listener WlrootsLockLayer::Private::registryListener = {
    .global =
        [](void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
            auto* self = static_cast<Private*>(data);
            const auto bind = [&](const wl_interface* kind, uint32_t highest) {
                return wl_registry_bind(registry, name, kind, std::min(version, highest));
            };
            if (std::strcmp(interface, wl_compositor_interface.name) == 0 && !self->compositor) {
                self->compositor = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 4));
            } else if (std::strcmp(interface, wl_shm_interface.name) == 0 && !self->shm) {
                self->shm = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
            } else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0 && !self->shell) {
                self->shell = static_cast<zwlr_layer_shell_v1*>(bind(&zwlr_layer_shell_v1_interface, 3));
            } else if (std::strcmp(interface, zwp_keyboard_shortcuts_inhibit_manager_v1_interface.name) == 0
                       && !self->shortcuts) {
                self->shortcuts = static_cast<zwp_keyboard_shortcuts_inhibit_manager_v1*>(
                    bind(&zwp_keyboard_shortcuts_inhibit_manager_v1_interface, 1));
            } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->seat) {
                self->seat = static_cast<wl_seat*>(bind(&wl_seat_interface, 5));
                wl_seat_add_listener(self->seat, &seatListener, self);
            } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
                auto output = std::make_unique<Output>();
                output->owner = self;
                output->name = name;
                output->output = static_cast<wl_output*>(bind(&wl_output_interface, 1));
                if (self->shown) {
                    output->cover(); // an output plugged in while locked
                }
                self->outputs.push_back(std::move(output));
            }
        },
    .global_remove =
        [](void* data, wl_registry*, uint32_t name) {
            auto* self = static_cast<Private*>(data);
            std::erase_if(self->outputs, [name](const auto& output) {
                if (output->name != name) {
                    return false;
                }
                output->uncover();
                wl_output_destroy(output->output);
                return true;
            });
        },
};

const wl_seat_listener WlrootsLockLayer::Private::seatListener = {
    .capabilities =
        [](void* data, wl_seat* seat, uint32_t capabilities) {
            auto* self = static_cast<Private*>(data);
            const bool hasKeyboard = capabilities & WL_SEAT_CAPABILITY_KEYBOARD;
            if (hasKeyboard && !self->keyboard) {
                self->keyboard = wl_seat_get_keyboard(seat);
                wl_keyboard_add_listener(self->keyboard, &keyboardListener, self);
            } else if (!hasKeyboard && self->keyboard) {
                wl_keyboard_destroy(self->keyboard);
                self->keyboard = nullptr;
            }
        },
    .name = [](void*, wl_seat*, const char*) {},
};

const wl_keyboard_listener WlrootsLockLayer::Private::keyboardListener = {
    .keymap =
        [](void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
            auto* self = static_cast<Private*>(data);
            if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && self->xkb) {
                auto* text = static_cast<char*>(::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0));
                if (text != MAP_FAILED) {
                    if (auto* keymap = xkb_keymap_new_from_string(self->xkb, text, XKB_KEYMAP_FORMAT_TEXT_V1,
                                                                  XKB_KEYMAP_COMPILE_NO_FLAGS)) {
                        xkb_state_unref(self->keyState);
                        xkb_keymap_unref(self->keymap);
                        self->keymap = keymap;
                        self->keyState = xkb_state_new(keymap);
                    }
                    ::munmap(text, size);
                }
            }
            ::close(fd);
        },
    .enter = [](void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {},
    .leave = [](void*, wl_keyboard*, uint32_t, wl_surface*) {},
    .key =
        [](void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
            if (state == WL_KEYBOARD_KEY_STATE_PRESSED) {
                static_cast<Private*>(data)->onKey(key);
            }
        },
    .modifiers =
        [](void* data, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched, uint32_t locked,
           uint32_t group) {
            auto* self = static_cast<Private*>(data);
            if (self->keyState) {
                xkb_state_update_mask(self->keyState, depressed, latched, locked, 0, 0, group);
            }
        },
    .repeat_info = [](void*, wl_keyboard*, int32_t, int32_t) {},
};

const zwlr_layer_surface_v1_listener WlrootsLockLayer::Private::layerListener = {
    .configure =
        [](void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t width, uint32_t height) {
            auto* output = static_cast<Output*>(data);
            zwlr_layer_surface_v1_ack_configure(layer, serial);
            output->width = int(width);
            output->height = int(height);
            output->configured = true;
            output->draw();
        },
    .closed =
        [](void* data, zwlr_layer_surface_v1*) {
            // The compositor took the surface away (its output is going); a new output gets its own.
            static_cast<Output*>(data)->uncover();
        },
};

void WlrootsLockLayer::Private::onKey(uint32_t key)
{
    if (!shown || !keyState) {
        return;
    }
    // Wayland sends evdev codes; XKB's are 8 higher.
    const xkb_keycode_t code = key + 8;
    const auto symbol = xkb_state_key_get_one_sym(keyState, code);
    if (symbol == XKB_KEY_Return || symbol == XKB_KEY_KP_Enter) {
        const auto entered = std::exchange(password, QString());
        redrawAll();
        Q_EMIT q->passwordEntered(entered);
        return;
    }
    if (symbol == XKB_KEY_F1) {
        if (client.requestUnlock) {
            client.requestUnlock();
        }
        return;
    }
    if (symbol == XKB_KEY_BackSpace) {
        password.chop(1);
    } else if (symbol == XKB_KEY_Escape) {
        password.clear();
    } else {
        char text[16] = {};
        xkb_state_key_get_utf8(keyState, code, text, sizeof text);
        const auto typed = QString::fromUtf8(text);
        if (typed.isEmpty() || !typed.at(0).isPrint()) {
            return;
        }
        password += typed;
    }
    redrawAll();
}

void WlrootsLockLayer::Private::pump()
{
    if (!display || !notifier) {
        return;
    }
    if (!pumpWaylandEvents(display)) {
        qWarning("The Wayland compositor closed the lock's connection");
        // Possibly from within the notifier's own signal.
        notifier->setEnabled(false);
        notifier->deleteLater();
        notifier = nullptr;
        if (std::exchange(shown, false) && onLost) {
            QMetaObject::invokeMethod(
                q, [lost = onLost] { lost(); }, Qt::QueuedConnection);
        }
    }
}

WlrootsLockLayer::WlrootsLockLayer(const QString& display)
    : d(std::make_unique<Private>())
{
    d->q = this;
    d->display = wl_display_connect(display.isEmpty() ? nullptr : display.toLocal8Bit().constData());
    if (!d->display) {
        return;
    }
    d->registry = wl_display_get_registry(d->display);
    wl_registry_add_listener(d->registry, &Private::registryListener, d.get());
    // Globals first, then the seat's keyboard.
    wl_display_roundtrip(d->display);
    wl_display_roundtrip(d->display);
    d->notifier = new QSocketNotifier(wl_display_get_fd(d->display), QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, [this] { d->pump(); });
    connect(this, &WlrootsLockLayer::passwordEntered, this, [this](const QString& password) {
        if (!d->client.tryParentPassword || d->client.tryParentPassword(password) || !d->shown) {
            return;
        }
        d->refused = true;
        showLock(d->texts);
    });
}

bool WlrootsLockLayer::showLock(const Texts& texts)
{
    d->texts = texts;
    QStringList lines { texts.value(u"reason"_s) };
    for (const auto& line : texts.value(u"pending"_s).split(u'\n', Qt::SkipEmptyParts)) {
        lines.append(line);
    }
    lines.append(texts.value(u"passwordButton"_s));
    if (d->refused) {
        lines.append(texts.value(u"passwordWrong"_s));
    }
    lines.append(u"F1: "_s + texts.value(u"requestButton"_s));
    return show(lines);
}

void WlrootsLockLayer::hideLock()
{
    d->refused = false;
    hide();
}

void WlrootsLockLayer::setClient(Client client)
{
    d->client = std::move(client);
}

void WlrootsLockLayer::watchLoss(std::function<void()> onLost)
{
    d->onLost = std::move(onLost);
}

WlrootsLockLayer::~WlrootsLockLayer()
{
    if (d->display) {
        for (const auto& output : d->outputs) {
            output->uncover();
            wl_output_destroy(output->output);
        }
        d->outputs.clear();
        if (d->keyboard) {
            wl_keyboard_destroy(d->keyboard);
        }
        if (d->seat) {
            wl_seat_destroy(d->seat);
        }
        if (d->shell) {
            zwlr_layer_shell_v1_destroy(d->shell);
        }
        if (d->shortcuts) {
            zwp_keyboard_shortcuts_inhibit_manager_v1_destroy(d->shortcuts);
        }
        if (d->shm) {
            wl_shm_destroy(d->shm);
        }
        if (d->compositor) {
            wl_compositor_destroy(d->compositor);
        }
        wl_registry_destroy(d->registry);
        wl_display_disconnect(d->display);
    }
    xkb_state_unref(d->keyState);
    xkb_keymap_unref(d->keymap);
    xkb_context_unref(d->xkb);
}

bool WlrootsLockLayer::available() const
{
    return d->display && d->shell && d->compositor && d->shm;
}

bool WlrootsLockLayer::show(const QStringList& lines)
{
    if (!available() || !d->notifier) {
        return false;
    }
    // The lock is shown again at every tick: paint only what changed.
    const bool changed = !d->shown || lines != d->lines;
    d->lines = lines;
    d->shown = true;
    for (const auto& output : d->outputs) {
        if (output->layer) {
            if (changed) {
                output->draw();
            }
        } else {
            output->cover();
        }
    }
    wl_display_flush(d->display);
    return true;
}

void WlrootsLockLayer::hide()
{
    if (!d->shown) {
        return;
    }
    d->shown = false;
    d->password.clear();
    for (const auto& output : d->outputs) {
        output->uncover();
    }
    if (d->display) {
        wl_display_flush(d->display);
    }
}

bool WlrootsLockLayer::covering() const
{
    d->pump();
    return d->shown && !d->outputs.empty()
        && std::all_of(d->outputs.cbegin(), d->outputs.cend(),
                       [](const auto& output) { return output->configured && output->frame; });
}
