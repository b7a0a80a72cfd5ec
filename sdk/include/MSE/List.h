#pragma once
// The framework's singly linked list: appends at the tail, access and removal by index.
// Like movra_string, a list frees its nodes through the allocator object that made them.

#include <MSE/String.h>

#include <cstdint>
#include <new>
#include <utility>

namespace MSE {

template <typename T>
struct Node
{
    T value;
    Node* next;
};

template <typename T>
class List
{
public:
    List() {}
    List(const List& other) { appendAll(other); }
    List& operator=(const List& other)
    {
        if (this != &other) {
            clear();
            appendAll(other);
        }
        return *this;
    }
    ~List() { clear(); }

    uint32_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }

    // False when no node could be allocated; the list is then unchanged.
    bool append(const T& value)
    {
        Node<T>* node = m_allocator->allocate(1);
        if (!node)
            return false;
        new (node) Node<T>{value, nullptr};
        if (m_tail)
            m_tail->next = node;
        else
            m_head = node;
        m_tail = node;
        ++m_count;
        return true;
    }

    // index must be below size().
    T& at(uint32_t index) { return nodeAt(index)->value; }
    const T& at(uint32_t index) const { return nodeAt(index)->value; }
    T& operator[](uint32_t index) { return at(index); }
    const T& operator[](uint32_t index) const { return at(index); }

    // Unlinks the node at index; an index at or past the end changes nothing.
    void removeAt(uint32_t index)
    {
        if (index >= m_count)
            return;
        Node<T>* previous = nullptr;
        Node<T>* node = m_head;
        for (uint32_t i = 0; i < index; ++i) {
            previous = node;
            node = node->next;
        }
        if (previous)
            previous->next = node->next;
        else
            m_head = node->next;
        if (node == m_tail)
            m_tail = previous;
        --m_count;
        destroy(node);
    }

    // Index of the first element equal to value, or -1.
    int64_t indexOf(const T& value) const
    {
        int64_t i = 0;
        for (Node<T>* node = m_head; node; node = node->next, ++i) {
            if (node->value == value)
                return i;
        }
        return -1;
    }
    bool contains(const T& value) const { return indexOf(value) >= 0; }

    // Removes the first element equal to value; false when there is none.
    bool removeOne(const T& value)
    {
        const int64_t i = indexOf(value);
        if (i < 0)
            return false;
        removeAt(static_cast<uint32_t>(i));
        return true;
    }

    void clear()
    {
        Node<T>* node = m_head;
        while (node) {
            Node<T>* next = node->next;
            destroy(node);
            node = next;
        }
        m_head = m_tail = nullptr;
        m_count = 0;
    }

    // Forward iteration for range-for loops.
    class const_iterator
    {
    public:
        explicit const_iterator(const Node<T>* node) : m_node(node) {}
        const T& operator*() const { return m_node->value; }
        const_iterator& operator++()
        {
            m_node = m_node->next;
            return *this;
        }
        bool operator!=(const const_iterator& other) const { return m_node != other.m_node; }
        bool operator==(const const_iterator& other) const { return m_node == other.m_node; }

    private:
        const Node<T>* m_node;
    };
    const_iterator begin() const { return const_iterator(m_head); }
    const_iterator end() const { return const_iterator(nullptr); }

private:
    Node<T>* nodeAt(uint32_t index) const
    {
        Node<T>* node = m_head;
        for (uint32_t i = 0; i < index; ++i)
            node = node->next;
        return node;
    }

    void destroy(Node<T>* node)
    {
        node->~Node<T>();
        m_allocator->deallocate(node);
    }

    void appendAll(const List& other)
    {
        for (const Node<T>* node = other.m_head; node; node = node->next)
            append(node->value);
    }

    Node<T>* m_head = nullptr;
    Node<T>* m_tail = nullptr;
    uint32_t m_count = 0;
    StandardAllocator<Node<T>>* m_allocator = StandardAllocator<Node<T>>::instance();
};

} // namespace MSE
