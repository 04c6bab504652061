#include "platform/x11_window_source.h"

#include "platform/x11_handles.h"
#include "platform/x11_structure_watch.h"
#include "support/log.h"

#include <xcb/randr.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <span>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

namespace garbello::platform {

using x11::Reply;
using x11::take;

namespace {

enum Atom : std::size_t {
    stackingList,
    supported,
    activeWindow,
    processID,
    opacity,
    windowType,
    windowState,
    frameExtents,
    gtkFrameExtents,
    gtkApplicationID,
    stateHidden,
    stateFullScreen,
    stateAbove,
    stateBelow,
    typeDesktop,
    typeNormal,
    typeDialog,
    typeUtility,
    typeToolbar,
    typeMenu,
    typeDropdownMenu,
    typePopupMenu,
    typeSplash,
    typeDock,
    typeNotification,
    typeTooltip,
    typeCombo,
    typeDragAndDrop,
    atomCount
};

constexpr std::array<const char*, atomCount> kAtomNames = {
    "_NET_CLIENT_LIST_STACKING",
    "_NET_SUPPORTED",
    "_NET_ACTIVE_WINDOW",
    "_NET_WM_PID",
    "_NET_WM_WINDOW_OPACITY",
    "_NET_WM_WINDOW_TYPE",
    "_NET_WM_STATE",
    "_NET_FRAME_EXTENTS",
    "_GTK_FRAME_EXTENTS",
    "_GTK_APPLICATION_ID",
    "_NET_WM_STATE_HIDDEN",
    "_NET_WM_STATE_FULLSCREEN",
    "_NET_WM_STATE_ABOVE",
    "_NET_WM_STATE_BELOW",
    "_NET_WM_WINDOW_TYPE_DESKTOP",
    "_NET_WM_WINDOW_TYPE_NORMAL",
    "_NET_WM_WINDOW_TYPE_DIALOG",
    "_NET_WM_WINDOW_TYPE_UTILITY",
    "_NET_WM_WINDOW_TYPE_TOOLBAR",
    "_NET_WM_WINDOW_TYPE_MENU",
    "_NET_WM_WINDOW_TYPE_DROPDOWN_MENU",
    "_NET_WM_WINDOW_TYPE_POPUP_MENU",
    "_NET_WM_WINDOW_TYPE_SPLASH",
    "_NET_WM_WINDOW_TYPE_DOCK",
    "_NET_WM_WINDOW_TYPE_NOTIFICATION",
    "_NET_WM_WINDOW_TYPE_TOOLTIP",
    "_NET_WM_WINDOW_TYPE_COMBO",
    "_NET_WM_WINDOW_TYPE_DND",
};

using Atoms = std::array<xcb_atom_t, atomCount>;

// How far above ordinary windows the window manager keeps a window; only the
// sign matters to the tracker, the order among them is for readers.
constexpr int kKeptAboveLayer = 1;
constexpr int kDockLayer = 2;
constexpr int kUnmanagedLayer = 3;
constexpr int kKeptBelowLayer = -1;

// Ancestors walked above a client before giving up on finding its frame.
constexpr int kMaximumFrameDepth = 8;

// The properties a pass reads of a window.
enum Property : std::size_t {
    opacityProperty,
    typeProperty,
    stateProperty,
    frameExtentsProperty,
    gtkFrameExtentsProperty,
    pidProperty,
    classProperty,
    applicationIDProperty,
    propertyCount
};
// A client sets its process, class and application id before it maps its
// window and may change them only while the window is withdrawn (ICCCM,
// EWMH), when it leaves the client list; so they are read once while the
// window stays in the list, which saves a third of the requests of a pass.
constexpr Property kEveryProperty[] = {
    opacityProperty,         typeProperty, stateProperty, frameExtentsProperty,
    gtkFrameExtentsProperty, pidProperty,  classProperty, applicationIDProperty};
constexpr Property kChangingProperties[] = {opacityProperty, typeProperty, stateProperty,
                                            frameExtentsProperty, gtkFrameExtentsProperty};
constexpr Property kUnmanagedProperties[] = {opacityProperty, typeProperty, pidProperty};

struct PropertyRequest {
    std::size_t atom;     // index into Atoms, or the predefined atom itself
    bool predefined;      // `atom` is a predefined atom such as WM_CLASS
    std::uint32_t length; // in 32-bit units
};

constexpr std::array<PropertyRequest, propertyCount> kProperties = {{
    {opacity, false, 1},
    {windowType, false, 32},
    {windowState, false, 32},
    {frameExtents, false, 4},
    {gtkFrameExtents, false, 4},
    {processID, false, 1},
    {XCB_ATOM_WM_CLASS, true, 256},
    {gtkApplicationID, false, 256},
}};

struct ServerConnection {
    x11::Connection connection;
    xcb_window_t root = 0;
    Atoms atoms{};
    // RandR 1.5 or later: monitors can be listed.
    bool monitors = false;

    xcb_connection_t* get() const { return connection.get(); }
};

Atoms internAtoms(xcb_connection_t* connection) {
    std::array<xcb_intern_atom_cookie_t, atomCount> cookies;
    for (std::size_t i = 0; i < atomCount; ++i)
        cookies[i] = xcb_intern_atom(
            connection, 0, static_cast<std::uint16_t>(std::strlen(kAtomNames[i])), kAtomNames[i]);
    Atoms atoms{};
    for (std::size_t i = 0; i < atomCount; ++i)
        if (auto reply = take(connection, xcb_intern_atom_reply, cookies[i]))
            atoms[i] = reply.get()->atom;
    return atoms;
}

bool hasMonitors(xcb_connection_t* connection) {
    const xcb_query_extension_reply_t* extension =
        xcb_get_extension_data(connection, &xcb_randr_id);
    if (!extension || !extension->present)
        return false;
    auto version =
        take(connection, xcb_randr_query_version_reply, xcb_randr_query_version(connection, 1, 5));
    return version && (version.get()->major_version > 1 ||
                       (version.get()->major_version == 1 && version.get()->minor_version >= 5));
}

// ---- property values ----

template <typename T> std::span<const T> values(const xcb_get_property_reply_t* reply) {
    if (!reply || reply->format != sizeof(T) * 8)
        return {};
    return {static_cast<const T*>(xcb_get_property_value(reply)),
            static_cast<std::size_t>(xcb_get_property_value_length(reply)) / sizeof(T)};
}

std::optional<std::uint32_t> cardinal(const xcb_get_property_reply_t* reply) {
    auto list = values<std::uint32_t>(reply);
    return list.empty() ? std::nullopt : std::optional(list.front());
}

// NUL-separated strings, as in WM_CLASS ("instance\0class\0").
std::vector<std::string> strings(const xcb_get_property_reply_t* reply) {
    auto bytes = values<char>(reply);
    std::vector<std::string> parts;
    for (std::size_t start = 0; start < bytes.size();) {
        const auto end = std::find(bytes.begin() + start, bytes.end(), '\0');
        parts.emplace_back(bytes.begin() + start, end);
        start = static_cast<std::size_t>(end - bytes.begin()) + 1;
    }
    return parts;
}

bool contains(std::span<const xcb_atom_t> list, xcb_atom_t atom) {
    return atom != XCB_ATOM_NONE && std::find(list.begin(), list.end(), atom) != list.end();
}

// The first type in the list this source knows, nothing for a desktop
// window; normal when the list names none it knows.
std::optional<WindowType> windowTypeOf(const Atoms& atoms, const xcb_get_property_reply_t* reply) {
    static constexpr std::pair<Atom, WindowType> kTypes[] = {
        {typeNormal, WindowType::normal},     {typeDialog, WindowType::dialog},
        {typeUtility, WindowType::utility},   {typeToolbar, WindowType::toolbar},
        {typeMenu, WindowType::menu},         {typeDropdownMenu, WindowType::menu},
        {typePopupMenu, WindowType::menu},    {typeSplash, WindowType::splash},
        {typeDock, WindowType::dock},         {typeNotification, WindowType::notification},
        {typeTooltip, WindowType::other},     {typeCombo, WindowType::other},
        {typeDragAndDrop, WindowType::other},
    };
    for (xcb_atom_t type : values<xcb_atom_t>(reply)) {
        if (type == atoms[typeDesktop])
            return std::nullopt;
        for (const auto& [atom, known] : kTypes)
            if (type == atoms[atom])
                return known;
    }
    return WindowType::normal;
}

// Left, right, top, bottom.
std::array<double, 4> extents(const xcb_get_property_reply_t* reply) {
    auto list = values<std::uint32_t>(reply);
    if (list.size() < 4)
        return {0, 0, 0, 0};
    return {double(list[0]), double(list[1]), double(list[2]), double(list[3])};
}

// ---- one pass ----

struct RootReplies {
    Reply<xcb_query_tree_reply_t> tree;
    Reply<xcb_get_property_reply_t> stacking;
    Reply<xcb_get_property_reply_t> supported;
    Reply<xcb_get_property_reply_t> active;
    Reply<xcb_get_geometry_reply_t> geometry;
    Reply<xcb_randr_get_monitors_reply_t> monitors;
};

RootReplies readRoot(const ServerConnection& server) {
    xcb_connection_t* c = server.get();
    auto tree = xcb_query_tree(c, server.root);
    auto stacking = xcb_get_property(c, 0, server.root, server.atoms[stackingList], XCB_ATOM_WINDOW,
                                     0, std::numeric_limits<std::uint16_t>::max());
    auto supported = xcb_get_property(c, 0, server.root, server.atoms[Atom::supported],
                                      XCB_ATOM_ATOM, 0, std::numeric_limits<std::uint16_t>::max());
    auto active =
        xcb_get_property(c, 0, server.root, server.atoms[activeWindow], XCB_ATOM_WINDOW, 0, 1);
    auto geometry = xcb_get_geometry(c, server.root);
    std::optional<xcb_randr_get_monitors_cookie_t> monitors;
    if (server.monitors)
        monitors = xcb_randr_get_monitors(c, server.root, 1);
    RootReplies replies;
    replies.tree = take(c, xcb_query_tree_reply, tree);
    replies.stacking = take(c, xcb_get_property_reply, stacking);
    replies.supported = take(c, xcb_get_property_reply, supported);
    replies.active = take(c, xcb_get_property_reply, active);
    replies.geometry = take(c, xcb_get_geometry_reply, geometry);
    if (monitors)
        replies.monitors = take(c, xcb_randr_get_monitors_reply, *monitors);
    return replies;
}

std::vector<Rect> monitorFrames(const RootReplies& root) {
    std::vector<Rect> frames;
    if (root.monitors) {
        auto it = xcb_randr_get_monitors_monitors_iterator(root.monitors.get());
        for (; it.rem > 0; xcb_randr_monitor_info_next(&it)) {
            const Rect frame{double(it.data->x), double(it.data->y), double(it.data->width),
                             double(it.data->height)};
            frames.insert(it.data->primary ? frames.begin() : frames.end(), frame);
        }
    }
    if (frames.empty() && root.geometry)
        frames.push_back(
            {0, 0, double(root.geometry.get()->width), double(root.geometry.get()->height)});
    return frames;
}

using Properties = std::array<Reply<xcb_get_property_reply_t>, propertyCount>;

struct PropertyCookies {
    std::array<xcb_get_property_cookie_t, propertyCount> cookies{};
    std::span<const Property> asked;
};

PropertyCookies requestProperties(const ServerConnection& server, xcb_window_t window,
                                  std::span<const Property> asked) {
    PropertyCookies sent{{}, asked};
    for (Property i : asked) {
        const PropertyRequest& request = kProperties[i];
        const xcb_atom_t atom =
            request.predefined ? static_cast<xcb_atom_t>(request.atom) : server.atoms[request.atom];
        sent.cookies[i] = xcb_get_property(server.get(), 0, window, atom, XCB_GET_PROPERTY_TYPE_ANY,
                                           0, request.length);
    }
    return sent;
}

// False when any of the replies failed: the window went during the pass.
bool takeProperties(xcb_connection_t* c, const PropertyCookies& sent, Properties& properties) {
    bool complete = true;
    for (Property i : sent.asked) {
        properties[i] = take(c, xcb_get_property_reply, sent.cookies[i]);
        complete = complete && properties[i];
    }
    return complete;
}

std::optional<std::int32_t> processOf(const Properties& properties) {
    auto pid = cardinal(properties[pidProperty].get());
    if (!pid || *pid == 0 || *pid > std::uint32_t(std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return static_cast<std::int32_t>(*pid);
}

// What a client says of itself once, before its window is mapped.
struct Identity {
    std::optional<std::int32_t> processID;
    std::string applicationID;
    std::string instance;
    std::string windowClass;
};

Identity identityOf(const Properties& properties) {
    Identity identity{processOf(properties), {}, {}, {}};
    const auto application = values<char>(properties[applicationIDProperty].get());
    identity.applicationID.assign(application.begin(), application.end());
    auto windowClass = strings(properties[classProperty].get());
    windowClass.resize(2);
    identity.instance = std::move(windowClass[0]);
    identity.windowClass = std::move(windowClass[1]);
    return identity;
}

// What the last pass knew of a client that is still listed. Its changing
// properties, map state and size are kept until the server reports a change
// of the window, as it does to a connection that selected PropertyChange and
// StructureNotify on it; the select goes out before the first read, on the
// same connection, so no change falls between the two. This keeps a quiet
// pass to about one request per window.
struct KnownClient {
    Identity identity;
    Properties properties;
    Reply<xcb_get_window_attributes_reply_t> attributes;
    Reply<xcb_get_geometry_reply_t> geometry;
    xcb_window_t topLevel = 0;
};

using KnownClients = std::unordered_map<xcb_window_t, KnownClient>;

// What a pass learns of one managed client.
struct Client {
    xcb_window_t id = 0;
    std::optional<Identity> identity;
    // Nothing was reported of it since the last pass: its changing
    // properties, map state and size are those of the last pass.
    bool unchanged = false;
    Reply<xcb_get_window_attributes_reply_t> attributes;
    Reply<xcb_get_geometry_reply_t> geometry;
    Reply<xcb_translate_coordinates_reply_t> origin;
    Properties properties;
    // Its ancestor among the root's children; 0 while not yet known.
    xcb_window_t topLevel = 0;
    // The ancestor whose parent is asked next while the walk goes on.
    xcb_window_t walking = 0;
    bool complete = false;
};

// What is asked of a client in a pass. Its position on the root is always
// asked: the frame around it moves without telling the client's watchers.
struct ClientCookies {
    std::optional<xcb_get_window_attributes_cookie_t> attributes;
    std::optional<xcb_get_geometry_cookie_t> geometry;
    xcb_translate_coordinates_cookie_t origin;
    // Not asked when the client's frame of the last pass is still there.
    std::optional<xcb_query_tree_cookie_t> tree;
    PropertyCookies properties;
};

// What a pass learns of a window the window manager leaves alone.
struct Unmanaged {
    xcb_window_t id = 0;
    Reply<xcb_get_geometry_reply_t> geometry;
    Properties properties;
    bool complete = false;
};

class Pass {
public:
    // `known` gives up what it holds of the clients still listed; `changed`
    // are the windows whose properties changed since the last pass.
    Pass(const ServerConnection& server, const RootReplies& root, KnownClients& known,
         const std::unordered_set<xcb_window_t>& changed)
        : server_(server), c_(server.get()) {
        const auto children =
            std::span(xcb_query_tree_children(root.tree.get()),
                      std::size_t(xcb_query_tree_children_length(root.tree.get())));
        for (std::size_t i = 0; i < children.size(); ++i)
            position_[children[i]] = i;
        children_.assign(children.begin(), children.end());
        for (const auto& [id, client] : known)
            knownFrames_.insert(client.topLevel);
        for (xcb_window_t id : values<xcb_window_t>(root.stacking.get())) {
            Client& client = clients_.emplace_back();
            client.id = id;
            if (auto found = known.find(id); found != known.end()) {
                client.identity = std::move(found->second.identity);
                client.properties = std::move(found->second.properties);
                client.unchanged = !changed.count(id);
                if (client.unchanged) {
                    client.attributes = std::move(found->second.attributes);
                    client.geometry = std::move(found->second.geometry);
                }
                // A frame stays a child of the root while it holds its client;
                // a new window manager makes new frames.
                if (position_.count(found->second.topLevel))
                    client.topLevel = found->second.topLevel;
            }
        }
    }

    // Sends every request about every window before reading the first reply.
    void read() {
        std::vector<ClientCookies> cookies;
        cookies.reserve(clients_.size());
        std::unordered_set<xcb_window_t> managed;
        for (const Client& client : clients_) {
            managed.insert(client.id);
            if (!client.identity)
                watchClient(client.id);
            const bool ask = !client.unchanged;
            cookies.push_back(
                {ask ? std::optional(xcb_get_window_attributes(c_, client.id)) : std::nullopt,
                 ask ? std::optional(xcb_get_geometry(c_, client.id)) : std::nullopt,
                 xcb_translate_coordinates(c_, client.id, server_.root, 0, 0),
                 client.topLevel ? std::nullopt : std::optional(xcb_query_tree(c_, client.id)),
                 requestProperties(server_, client.id, propertiesToRead(client))});
        }
        // The frames of last pass's clients are frames still, not windows
        // the window manager leaves alone.
        std::vector<std::pair<xcb_window_t, xcb_get_window_attributes_cookie_t>> others;
        for (xcb_window_t child : children_)
            if (!managed.count(child) && !knownFrames_.count(child))
                others.emplace_back(child, xcb_get_window_attributes(c_, child));
        for (std::size_t i = 0; i < clients_.size(); ++i)
            takeClient(clients_[i], cookies[i]);
        findTopLevels();
        readUnmanaged(others);
    }

    std::vector<std::pair<std::size_t, const Client*>> clients() const {
        std::vector<std::pair<std::size_t, const Client*>> listed;
        for (const Client& client : clients_)
            if (client.complete && client.topLevel != 0)
                listed.emplace_back(position_.at(client.topLevel), &client);
        return listed;
    }

    // What the next pass may take over of this pass's clients.
    KnownClients known() {
        KnownClients known;
        for (Client& client : clients_)
            if (client.complete && client.topLevel != 0)
                known.emplace(client.id,
                              KnownClient{std::move(*client.identity), std::move(client.properties),
                                          std::move(client.attributes), std::move(client.geometry),
                                          client.topLevel});
        return known;
    }

    std::vector<std::pair<std::size_t, const Unmanaged*>> unmanaged() const {
        std::vector<std::pair<std::size_t, const Unmanaged*>> listed;
        for (const Unmanaged& window : unmanaged_)
            if (window.complete)
                listed.emplace_back(position_.at(window.id), &window);
        return listed;
    }

private:
    std::span<const Property> propertiesToRead(const Client& client) const {
        if (!client.identity)
            return kEveryProperty;
        if (client.unchanged)
            return {};
        return kChangingProperties;
    }

    // A window that vanished answers with an error event, which the next
    // pass's drain discards.
    void watchClient(xcb_window_t window) {
        const std::uint32_t mask[] = {XCB_EVENT_MASK_PROPERTY_CHANGE |
                                      XCB_EVENT_MASK_STRUCTURE_NOTIFY};
        xcb_change_window_attributes(c_, window, XCB_CW_EVENT_MASK, mask);
    }

    void takeClient(Client& client, const ClientCookies& sent) {
        if (sent.attributes)
            client.attributes = take(c_, xcb_get_window_attributes_reply, *sent.attributes);
        if (sent.geometry)
            client.geometry = take(c_, xcb_get_geometry_reply, *sent.geometry);
        client.origin = take(c_, xcb_translate_coordinates_reply, sent.origin);
        Reply<xcb_query_tree_reply_t> tree;
        if (sent.tree)
            tree = take(c_, xcb_query_tree_reply, *sent.tree);
        const bool properties = takeProperties(c_, sent.properties, client.properties);
        client.complete = client.attributes && client.geometry && client.origin &&
                          (tree || !sent.tree) && properties;
        if (!client.complete)
            return;
        if (!client.identity)
            client.identity = identityOf(client.properties);
        if (tree)
            climb(client, client.id, tree.get()->parent);
    }

    // One step up from `window`, whose parent is `parent`.
    void climb(Client& client, xcb_window_t window, xcb_window_t parent) {
        if (parent == server_.root && position_.count(window))
            client.topLevel = window;
        else if (position_.count(parent))
            client.topLevel = parent;
        else if (parent != server_.root && parent != XCB_NONE)
            client.walking = parent;
    }

    // Windows managers that reparent twice put the client deeper than one
    // level below the frame; each level is one more round for those clients
    // only.
    void findTopLevels() {
        for (int depth = 0; depth < kMaximumFrameDepth; ++depth) {
            std::vector<std::pair<Client*, xcb_query_tree_cookie_t>> asked;
            for (Client& client : clients_)
                if (client.walking != 0)
                    asked.emplace_back(&client, xcb_query_tree(c_, client.walking));
            if (asked.empty())
                return;
            for (auto& [client, cookie] : asked) {
                const xcb_window_t window = std::exchange(client->walking, 0);
                if (auto tree = take(c_, xcb_query_tree_reply, cookie))
                    climb(*client, window, tree.get()->parent);
            }
        }
    }

    // Override-redirect children of the root that are not the frame of a
    // client: menus, tooltips, notifications, other programs' overlays.
    void readUnmanaged(
        const std::vector<std::pair<xcb_window_t, xcb_get_window_attributes_cookie_t>>& others) {
        std::unordered_set<xcb_window_t> frames;
        for (const Client& client : clients_)
            frames.insert(client.topLevel);
        std::vector<std::pair<xcb_get_geometry_cookie_t, PropertyCookies>> cookies;
        for (const auto& [window, cookie] : others) {
            auto attributes = take(c_, xcb_get_window_attributes_reply, cookie);
            if (!attributes || !attributes.get()->override_redirect ||
                attributes.get()->map_state != XCB_MAP_STATE_VIEWABLE || frames.count(window))
                continue;
            unmanaged_.emplace_back().id = window;
            cookies.emplace_back(xcb_get_geometry(c_, window),
                                 requestProperties(server_, window, kUnmanagedProperties));
        }
        for (std::size_t i = 0; i < unmanaged_.size(); ++i) {
            Unmanaged& window = unmanaged_[i];
            window.geometry = take(c_, xcb_get_geometry_reply, cookies[i].first);
            const bool properties = takeProperties(c_, cookies[i].second, window.properties);
            window.complete = window.geometry && properties;
        }
    }

    const ServerConnection& server_;
    xcb_connection_t* c_;
    std::vector<xcb_window_t> children_;
    std::unordered_map<xcb_window_t, std::size_t> position_;
    std::unordered_set<xcb_window_t> knownFrames_;
    std::vector<Client> clients_;
    std::vector<Unmanaged> unmanaged_;
};

// ---- records ----

double alphaOf(const Properties& properties) {
    auto value = cardinal(properties[opacityProperty].get());
    return value ? double(*value) / double(0xffffffffu) : 1.0;
}

// A listed window with what the application table needs of it.
struct Listed {
    std::size_t position = 0;
    WindowServerWindow window;
    bool managed = false;
    // Managed windows only: unmanaged ones do not name applications.
    const Identity* identity = nullptr;
};

std::optional<Listed> clientRecord(const Atoms& atoms, std::size_t position, const Client& client) {
    const Properties& properties = client.properties;
    const auto type = windowTypeOf(atoms, properties[typeProperty].get());
    if (!type)
        return std::nullopt;
    const auto states = values<xcb_atom_t>(properties[stateProperty].get());
    const auto [left, right, top, bottom] = extents(properties[frameExtentsProperty].get());
    const auto [shadowLeft, shadowRight, shadowTop, shadowBottom] =
        extents(properties[gtkFrameExtentsProperty].get());
    const auto* origin = client.origin.get();
    const auto* geometry = client.geometry.get();
    Listed listed{position, {}, true, &*client.identity};
    WindowServerWindow& window = listed.window;
    window.id = client.id;
    window.processID = client.identity->processID;
    window.bounds = {origin->dst_x - left + shadowLeft, origin->dst_y - top + shadowTop,
                     geometry->width + left + right - shadowLeft - shadowRight,
                     geometry->height + top + bottom - shadowTop - shadowBottom};
    window.alpha = alphaOf(properties);
    window.layer = *type == WindowType::dock             ? kDockLayer
                   : contains(states, atoms[stateAbove]) ? kKeptAboveLayer
                   : contains(states, atoms[stateBelow]) ? kKeptBelowLayer
                                                         : 0;
    window.viewable = client.attributes.get()->map_state == XCB_MAP_STATE_VIEWABLE;
    window.type = *type;
    window.minimized = contains(states, atoms[stateHidden]);
    window.fullScreen = contains(states, atoms[stateFullScreen]);
    return listed;
}

std::optional<Listed> unmanagedRecord(const Atoms& atoms, std::size_t position,
                                      const Unmanaged& unmanaged) {
    const auto type = windowTypeOf(atoms, unmanaged.properties[typeProperty].get());
    if (!type)
        return std::nullopt;
    const auto* geometry = unmanaged.geometry.get();
    const double border = 2.0 * geometry->border_width;
    Listed listed{position, {}, false, nullptr};
    WindowServerWindow& window = listed.window;
    window.id = unmanaged.id;
    window.processID = processOf(unmanaged.properties);
    window.bounds = {double(geometry->x), double(geometry->y), geometry->width + border,
                     geometry->height + border};
    window.alpha = alphaOf(unmanaged.properties);
    window.layer = kUnmanagedLayer;
    window.viewable = true;
    window.type = *type;
    return listed;
}

std::vector<Listed> records(const Atoms& atoms, const Pass& pass) {
    std::vector<Listed> listed;
    for (const auto& [position, client] : pass.clients())
        if (auto record = clientRecord(atoms, position, *client))
            listed.push_back(std::move(*record));
    for (const auto& [position, window] : pass.unmanaged())
        if (auto record = unmanagedRecord(atoms, position, *window))
            listed.push_back(std::move(*record));
    // The tree lists the root's children bottom to top; clients sharing a
    // frame keep the window manager's order.
    std::stable_sort(listed.begin(), listed.end(),
                     [](const Listed& a, const Listed& b) { return a.position > b.position; });
    return listed;
}

bool advertisesStates(const Atoms& atoms, const RootReplies& root) {
    const auto list = values<xcb_atom_t>(root.supported.get());
    return contains(list, atoms[stateHidden]) && contains(list, atoms[stateFullScreen]) &&
           contains(list, atoms[windowType]);
}

// Which property gave an application its id, best first.
enum class IDSource { applicationID, desktopEntry, windowClass };

struct Owner {
    std::tuple<IDSource, xcb_window_t> rank{IDSource::windowClass,
                                            std::numeric_limits<xcb_window_t>::max()};
    std::string id;
    bool normalWindow = false;
};

// The id one window gives its application; nothing when it has neither an
// application id nor a class.
std::optional<std::pair<IDSource, std::string>>
applicationIDOf(const Identity& identity, const std::function<const DesktopEntries&()>& entries) {
    if (!identity.applicationID.empty())
        return std::pair(IDSource::applicationID, identity.applicationID);
    if (identity.windowClass.empty())
        return std::nullopt;
    if (std::string entry = entries().idFor(identity.windowClass, identity.instance);
        !entry.empty())
        return std::pair(IDSource::desktopEntry, entry);
    return std::pair(IDSource::windowClass, identity.windowClass);
}

// The id of a process with several windows comes from its best source, the
// lowest window id among equals, so it stays put while its windows restack.
std::map<std::int32_t, RunningApplication>
applicationsOf(const std::vector<Listed>& listed,
               const std::function<const DesktopEntries&()>& entries) {
    std::map<std::int32_t, Owner> owners;
    for (const Listed& record : listed) {
        if (!record.window.processID)
            continue;
        Owner& owner = owners[*record.window.processID];
        if (!record.managed)
            continue;
        owner.normalWindow = owner.normalWindow || record.window.type == WindowType::normal;
        if (auto id = applicationIDOf(*record.identity, entries)) {
            const std::tuple rank{id->first, record.window.id};
            if (owner.id.empty() || rank < owner.rank) {
                owner.rank = rank;
                owner.id = std::move(id->second);
            }
        }
    }
    std::map<std::int32_t, RunningApplication> applications;
    for (const auto& [pid, owner] : owners)
        applications[pid] = {owner.id, !owner.id.empty() && owner.normalWindow};
    return applications;
}

} // namespace

// ---- the source ----

struct X11WindowSource::Server : ServerConnection {
    KnownClients known;
};

namespace {

// The windows that changed since the last drain, from the events queued on
// the connection; errors from watching windows that vanished are dropped
// with the rest.
std::unordered_set<xcb_window_t> drainClientChanges(xcb_connection_t* connection) {
    std::unordered_set<xcb_window_t> changed;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
        switch (event->response_type & 0x7f) {
        case XCB_PROPERTY_NOTIFY:
            changed.insert(reinterpret_cast<xcb_property_notify_event_t*>(event)->window);
            break;
        // The structure events all name the watched window first.
        case XCB_CONFIGURE_NOTIFY:
        case XCB_MAP_NOTIFY:
        case XCB_UNMAP_NOTIFY:
        case XCB_REPARENT_NOTIFY:
        case XCB_GRAVITY_NOTIFY:
        case XCB_DESTROY_NOTIFY:
            changed.insert(reinterpret_cast<xcb_map_notify_event_t*>(event)->event);
            break;
        default:
            break;
        }
        std::free(event);
    }
    return changed;
}

} // namespace

std::unique_ptr<X11WindowSource>
X11WindowSource::open(const std::string& display,
                      std::vector<std::filesystem::path> entryDirectories) {
    x11::Connection connection(xcb_connect(display.empty() ? nullptr : display.c_str(), nullptr));
    if (xcb_connection_has_error(connection.get()))
        return nullptr;
    auto server = std::make_unique<Server>();
    server->root = xcb_setup_roots_iterator(xcb_get_setup(connection.get())).data->root;
    server->atoms = internAtoms(connection.get());
    server->monitors = hasMonitors(connection.get());
    server->connection = std::move(connection);
    return std::unique_ptr<X11WindowSource>(
        new X11WindowSource(std::move(server), display, std::move(entryDirectories)));
}

X11WindowSource::X11WindowSource(std::unique_ptr<Server> server, std::string display,
                                 std::vector<std::filesystem::path> entryDirectories)
    : server_(std::move(server)), display_(std::move(display)),
      entryDirectories_(std::move(entryDirectories)) {
    // Screens answers from the last pass; the first one has not run yet.
    frames_ = monitorFrames(readRoot(*server_));
}

X11WindowSource::~X11WindowSource() {
    watchStructure({});
}

bool X11WindowSource::connected() const {
    return connected_;
}

std::vector<Rect> X11WindowSource::frames() const {
    std::lock_guard lock(framesMutex_);
    return frames_;
}

void X11WindowSource::watchStructure(std::function<void()> moved) {
    std::lock_guard lock(watchMutex_);
    watch_.reset();
    if (moved && connected_)
        watch_ = X11StructureWatch::start(display_, server_->atoms[stackingList],
                                          server_->atoms[activeWindow], std::move(moved));
}

const DesktopEntries& X11WindowSource::desktopEntries() {
    if (!desktopEntries_)
        desktopEntries_.emplace(entryDirectories_);
    return *desktopEntries_;
}

void X11WindowSource::lose() {
    if (connected_.exchange(false))
        log::tracking.error("Lost the connection to the X server; window tracking stopped");
}

WindowList X11WindowSource::read() {
    if (!connected_)
        return {};
    const RootReplies root = readRoot(*server_);
    if (!root.tree) {
        if (xcb_connection_has_error(server_->get()))
            lose();
        return {};
    }
    // The root's replies came after every event sent before them, so what
    // changed before this pass began is known now.
    const auto changed = drainClientChanges(server_->get());
    Pass pass(*server_, root, server_->known, changed);
    pass.read();
    if (xcb_connection_has_error(server_->get())) {
        lose();
        return {};
    }
    {
        std::lock_guard lock(framesMutex_);
        frames_ = monitorFrames(root);
    }
    std::vector<Listed> listed = records(server_->atoms, pass);
    WindowList list;
    list.statesTrusted = advertisesStates(server_->atoms, root);
    if (const auto active = values<xcb_window_t>(root.active.get());
        !active.empty() && active.front() != XCB_WINDOW_NONE)
        list.activeWindow = active.front();
    list.applications =
        applicationsOf(listed, [this]() -> const DesktopEntries& { return desktopEntries(); });
    for (Listed& record : listed)
        list.windows.push_back(std::move(record.window));
    // Last: the records point into what the pass hands on.
    server_->known = pass.known();
    return list;
}

} // namespace garbello::platform
