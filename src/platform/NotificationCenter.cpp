#include "platform/NotificationCenter.h"

#include <algorithm>

struct NotificationObserver::Registry {
    struct Entry {
        quint64 id = 0;
        QString name;
        const void *object = nullptr;
        NotificationCenter::Callback callback;
        bool removed = false; // read and written under the mutex
    };

    mutable std::mutex mutex;
    quint64 nextId = 1;
    std::vector<std::shared_ptr<Entry>> entries;

    void remove(quint64 id)
    {
        std::lock_guard lock(mutex);
        const auto it = std::find_if(entries.begin(), entries.end(), [id](const auto &e) { return e->id == id; });
        if (it == entries.end())
            return;
        (*it)->removed = true;
        entries.erase(it);
    }

    bool contains(quint64 id) const
    {
        std::lock_guard lock(mutex);
        return std::any_of(entries.begin(), entries.end(), [id](const auto &e) { return e->id == id; });
    }
};

NotificationObserver::NotificationObserver(NotificationObserver &&other) noexcept
    : m_registry(std::move(other.m_registry)), m_id(other.m_id)
{
    other.m_id = 0;
    other.m_registry.reset();
}

NotificationObserver &NotificationObserver::operator=(NotificationObserver &&other) noexcept
{
    if (this != &other) {
        reset();
        m_registry = std::move(other.m_registry);
        m_id = other.m_id;
        other.m_id = 0;
        other.m_registry.reset();
    }
    return *this;
}

void NotificationObserver::reset()
{
    if (const auto registry = m_registry.lock())
        registry->remove(m_id);
    m_registry.reset();
    m_id = 0;
}

bool NotificationObserver::isActive() const
{
    const auto registry = m_registry.lock();
    return registry && registry->contains(m_id);
}

NotificationCenter::NotificationCenter() : m_registry(std::make_shared<NotificationObserver::Registry>()) {}

NotificationCenter::~NotificationCenter() = default;

NotificationCenter &NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

NotificationObserver NotificationCenter::addObserver(const QString &name, const NotificationObject &object,
                                                     Callback callback)
{
    auto entry = std::make_shared<NotificationObserver::Registry::Entry>();
    entry->name = name;
    entry->object = object.address();
    entry->callback = std::move(callback);
    std::lock_guard lock(m_registry->mutex);
    entry->id = m_registry->nextId++;
    m_registry->entries.push_back(entry);
    return NotificationObserver(m_registry, entry->id);
}

void NotificationCenter::post(const QString &name, const NotificationObject &object, const QVariantMap &userInfo)
{
    post(Notification{name, object, userInfo});
}

void NotificationCenter::post(const Notification &notification)
{
    using Entry = NotificationObserver::Registry::Entry;
    std::vector<std::shared_ptr<Entry>> targets;
    {
        std::lock_guard lock(m_registry->mutex);
        for (const auto &entry : m_registry->entries) {
            if (!entry->name.isEmpty() && entry->name != notification.name)
                continue;
            if (entry->object && entry->object != notification.object.address())
                continue;
            targets.push_back(entry);
        }
    }
    // The registry stays alive for the delivery even if the centre goes.
    const auto registry = m_registry;
    for (const auto &entry : targets) {
        {
            std::lock_guard lock(registry->mutex);
            if (entry->removed)
                continue;
        }
        // The snapshot holds the entry, so its callback outlives a removal
        // made from inside the callback itself.
        entry->callback(notification);
    }
}

int NotificationCenter::observerCount() const
{
    std::lock_guard lock(m_registry->mutex);
    return static_cast<int>(m_registry->entries.size());
}

void NotificationCenter::removeAllObservers()
{
    std::lock_guard lock(m_registry->mutex);
    for (const auto &entry : m_registry->entries)
        entry->removed = true;
    m_registry->entries.clear();
}
