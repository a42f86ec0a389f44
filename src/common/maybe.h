// A value that may never have been set. Radio state starts out unknown, and an unknown value
// must read as 0, false or the empty text so that the first report of each kind counts as a
// change; the set/unset distinction is kept only so that state dumps can show it.
#pragma once

#include <optional>
#include <utility>

namespace vexalo {

template <typename T> class Maybe {
public:
    Maybe() = default;
    Maybe(T value) : m_value(std::move(value)) { }

    Maybe &operator=(T value)
    {
        m_value = std::move(value);
        return *this;
    }

    // The empty rule: unset reads as a value-initialised T (0, false, "").
    const T &get() const { return m_value ? *m_value : empty(); }
    operator const T &() const { return get(); }

    bool isSet() const { return m_value.has_value(); }
    void clear() { m_value.reset(); }

    friend bool operator==(const Maybe &a, const T &b) { return a.get() == b; }

private:
    static const T &empty()
    {
        static const T value {};
        return value;
    }

    std::optional<T> m_value;
};

} // namespace vexalo
