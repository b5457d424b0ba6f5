#pragma once
// In-process notifications by name.
//
// post() delivers synchronously on the posting thread, to the observers
// registered for that name (or for every name) and that object (or any
// object), in the order they were registered. An observer may remove itself
// or others, add observers or post again from its callback: delivery works on
// a snapshot taken when the post began, and skips observers removed since.
// Observers added during a delivery first hear the next post.
//
// addObserver() answers a NotificationObserver handle that removes the
// observer when it is destroyed (or reset()); keep it as long as the callback
// may run. The handle may outlive the centre.
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <mutex>
#include <typeindex>
#include <typeinfo>
#include <vector>

// The object a notification is about (the sender): identity plus, when it
// was posted as such, typed access. A shared_ptr keeps the object alive for
// the delivery; a plain pointer does not own it.
class NotificationObject
{
public:
    NotificationObject() = default;
    NotificationObject(std::nullptr_t) {}
    template <class T>
    NotificationObject(const std::shared_ptr<T> &object)
        : m_owner(std::const_pointer_cast<std::remove_cv_t<T>>(object)), m_address(object.get()),
          m_type(typeid(std::remove_cv_t<T>))
    {}
    template <class T> NotificationObject(T *object) : m_address(object), m_type(typeid(std::remove_cv_t<T>)) {}

    const void *address() const { return m_address; }
    bool isNull() const { return m_address == nullptr; }
    explicit operator bool() const { return m_address != nullptr; }

    // The object when it was posted with exactly this type, else null.
    template <class T> T *get() const
    {
        if (!m_address || m_type != std::type_index(typeid(std::remove_cv_t<T>)))
            return nullptr;
        return static_cast<T *>(const_cast<void *>(m_address));
    }
    // The shared object when it was posted as a shared_ptr of exactly this
    // type, else null.
    template <class T> std::shared_ptr<T> shared() const
    {
        if (!m_owner || m_type != std::type_index(typeid(std::remove_cv_t<T>)))
            return nullptr;
        return std::static_pointer_cast<T>(m_owner);
    }

    friend bool operator==(const NotificationObject &a, const NotificationObject &b)
    {
        return a.m_address == b.m_address;
    }

private:
    std::shared_ptr<void> m_owner;
    const void *m_address = nullptr;
    std::type_index m_type = std::type_index(typeid(void));
};

struct Notification {
    QString name;
    NotificationObject object;
    QVariantMap userInfo;
};

class NotificationCenter;

// Removes its observer when destroyed. Move-only.
class [[nodiscard]] NotificationObserver
{
public:
    NotificationObserver() = default;
    ~NotificationObserver() { reset(); }
    NotificationObserver(NotificationObserver &&other) noexcept;
    NotificationObserver &operator=(NotificationObserver &&other) noexcept;
    NotificationObserver(const NotificationObserver &) = delete;
    NotificationObserver &operator=(const NotificationObserver &) = delete;

    // Removes the observer now; later posts do not reach it.
    void reset();
    // Whether the observer is still registered.
    bool isActive() const;

private:
    friend class NotificationCenter;
    struct Registry;
    NotificationObserver(std::weak_ptr<Registry> registry, quint64 id) : m_registry(std::move(registry)), m_id(id) {}
    std::weak_ptr<Registry> m_registry;
    quint64 m_id = 0;
};

class NotificationCenter
{
public:
    using Callback = std::function<void(const Notification &)>;

    NotificationCenter();
    ~NotificationCenter();
    NotificationCenter(const NotificationCenter &) = delete;
    NotificationCenter &operator=(const NotificationCenter &) = delete;

    static NotificationCenter &defaultCenter();

    // An empty name observes every name; a null object every object.
    NotificationObserver addObserver(const QString &name, const NotificationObject &object, Callback callback);
    NotificationObserver addObserver(const QString &name, Callback callback)
    {
        return addObserver(name, NotificationObject(), std::move(callback));
    }

    void post(const QString &name, const NotificationObject &object = NotificationObject(),
              const QVariantMap &userInfo = QVariantMap());
    void post(const Notification &notification);

    // Number of registered observers.
    int observerCount() const;
    // Drops every observer (for tests); their handles become inactive.
    void removeAllObservers();

private:
    std::shared_ptr<NotificationObserver::Registry> m_registry;
};
