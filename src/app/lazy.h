#pragma once

#include <functional>
#include <memory>
#include <utility>

namespace px {

// An object (a window, for one) made when it is first asked for, so that the start builds
// only the main window. `make` may give nothing (a part of the program that cannot be
// loaded, after telling the person); it is asked again the next time.
template <class T>
class Lazy {
public:
    explicit Lazy(std::function<std::unique_ptr<T>()> make) : m_make(std::move(make)) {}

    T* get()
    {
        if (!m_object)
            m_object = m_make();
        return m_object.get();
    }
    // The object when it has been made, else nothing (a window not yet opened needs no
    // new texts: it takes them when it is made).
    T* ifMade() const { return m_object.get(); }

private:
    std::function<std::unique_ptr<T>()> m_make;
    std::unique_ptr<T> m_object;
};

} // namespace px
