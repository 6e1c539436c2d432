#pragma once
// Small notifying base classes of the editor family: a settings object reports any change of
// itself as one OnChange, batches changes between BeginUpdate and EndUpdate, and fans a change
// out to any number of listeners through an event list.
#include <QString>
#include <QStringList>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace qv {

// Root of every notifying object; the Sender of a notification.
class TPersistent {
public:
    virtual ~TPersistent() = default;
    // The object that owns this one (nullptr at the top).
    virtual TPersistent* GetOwner() const { return nullptr; }
};

// A bound method "void Method(TPersistent* Sender)": an object and a member function (or a
// free-standing callable under a key). Two events are equal when both the object and the
// code are the same, so a listener can remove exactly what it added.
class TNotifyEvent {
public:
    TNotifyEvent() = default;

    template <class C>
    static TNotifyEvent Of(C* object, void (C::*method)(TPersistent*))
    {
        TNotifyEvent e;
        e.m_data = object;
        static_assert(sizeof(method) <= sizeof(e.m_code));
        std::memcpy(e.m_code, &method, sizeof(method));
        e.m_fn = [object, method](TPersistent* sender) { (object->*method)(sender); };
        return e;
    }
    // A callable identified by (key, id): equal keys and ids are the same event.
    static TNotifyEvent Fn(const void* key, std::function<void(TPersistent*)> fn, int id = 0)
    {
        TNotifyEvent e;
        e.m_data = key;
        std::memcpy(e.m_code, &id, sizeof(id));
        e.m_fn = std::move(fn);
        return e;
    }

    bool Assigned() const { return bool(m_fn); }
    explicit operator bool() const { return Assigned(); }
    void operator()(TPersistent* sender) const
    {
        if (m_fn)
            m_fn(sender);
    }
    bool operator==(const TNotifyEvent& o) const
    {
        return m_data == o.m_data && std::memcmp(m_code, o.m_code, sizeof(m_code)) == 0
            && bool(m_fn) == bool(o.m_fn);
    }

private:
    const void* m_data = nullptr;
    unsigned char m_code[16] = {};
    std::function<void(TPersistent*)> m_fn;
};

// A persistent object with an OnChange event and an update count.
class TNotifyPersistent : public TPersistent {
public:
    TNotifyEvent OnChange;

    // Fires OnChange(this) when no update is open.
    virtual void Changed();
    virtual void BeginUpdate();
    // Closes one update and calls Changed (which fires only when the count is back at 0).
    // There is no lower bound: an unmatched EndUpdate silences Changed until a later
    // BeginUpdate brings the count back to 0.
    virtual void EndUpdate();
    // Plugged into the OnChange of contained objects: a change of one of them is a change of
    // this object; the object's own notifications are not echoed.
    virtual void ChangedProc(TPersistent* sender);

    int UpdateCount() const { return m_updateCount; }
    TNotifyEvent ChangedProcEvent() { return TNotifyEvent::Of(this, &TNotifyPersistent::ChangedProcThunk); }

protected:
    int m_updateCount = 0;

    // Stores v and calls Changed when it differs from what the field holds.
    template <class T>
    void SetField(T& field, const T& v)
    {
        if (field != v) {
            field = v;
            Changed();
        }
    }

private:
    void ChangedProcThunk(TPersistent* sender) { ChangedProc(sender); }
};

// A collection that reports changes of its items and of its item list. Items are owned.
class TNotifyCollection : public TPersistent {
public:
    explicit TNotifyCollection(TPersistent* owner = nullptr) : m_owner(owner) {}
    TNotifyEvent OnChange;

    TPersistent* GetOwner() const override { return m_owner; }
    // Called after any change of an item or of the item list (not while an update is open).
    virtual void Update(TPersistent* item);
    // Plugged into the OnChange of objects the items own.
    virtual void ChangedProc(TPersistent* sender);
    void BeginUpdate() { ++m_updateCount; }
    void EndUpdate()
    {
        if (--m_updateCount == 0)
            Changed();
    }
    // The collection's own change report: Update(nullptr) unless an update is open.
    void Changed()
    {
        if (m_updateCount == 0)
            Update(nullptr);
    }
    TNotifyEvent ChangedProcEvent() { return TNotifyEvent::Of(this, &TNotifyCollection::ChangedProcThunk); }

protected:
    TPersistent* m_owner;
    int m_updateCount = 0;

private:
    void ChangedProcThunk(TPersistent* sender) { ChangedProc(sender); }
};

// A list of method pointers; duplicates are allowed, Remove takes the last equal one.
class TMethodList {
public:
    void Add(const TNotifyEvent& method) { m_items.push_back(method); }
    void Remove(const TNotifyEvent& method);
    void Clear() { m_items.clear(); }
    int Count() const { return int(m_items.size()); }
    const TNotifyEvent& operator[](int i) const { return m_items[size_t(i)]; }

private:
    std::vector<TNotifyEvent> m_items;
};

// Fans one change out to every listener, with the owner as Sender.
class TNotifyEventList : public TNotifyPersistent {
public:
    explicit TNotifyEventList(TPersistent* owner) : m_owner(owner) {}
    void Add(const TNotifyEvent& e) { m_list.Add(e); }
    void Remove(const TNotifyEvent& e) { m_list.Remove(e); }
    int Count() const { return m_list.Count(); }
    void Changed() override;
    TPersistent* GetOwner() const override { return m_owner; }

private:
    TMethodList m_list;
    TPersistent* m_owner;
};

// A sorted string list without duplicates, compared without regard to letter case.
class TSortedStringList {
public:
    int Count() const { return int(m_items.size()); }
    const QString& operator[](int i) const { return m_items[i]; }
    // Adds unless an equal string is there; returns the index of the string.
    int Add(const QString& s);
    bool Find(QStringView s, int* index = nullptr) const;
    int IndexOf(QStringView s) const
    {
        int i;
        return Find(s, &i) ? i : -1;
    }
    void Clear() { m_items.clear(); }
    void Assign(const QStringList& list);
    const QStringList& Strings() const { return m_items; }

private:
    QStringList m_items;
};

class TStoreComponent : public TPersistent {};

// A component with a sorted list of file extensions.
class TFileExtComponent : public TStoreComponent {
public:
    TFileExtComponent();
    // Factory of the component's sorted lists (case-insensitive, duplicates ignored).
    virtual std::unique_ptr<TSortedStringList> CreateSortedList() const;
    virtual void InitFileExtList() {}
    virtual void SetFileExtList(const QStringList& value) { m_fileExtList->Assign(value); }
    const TSortedStringList& FileExtList() const { return *m_fileExtList; }
    TSortedStringList& FileExtList() { return *m_fileExtList; }
    virtual bool HasExt(const QString& fileExt) const { return m_fileExtList->Find(fileExt); }

protected:
    // Two-phase construction: descendants call this at the end of their constructor.
    void InitComponent();

private:
    std::unique_ptr<TSortedStringList> m_fileExtList;
};

} // namespace qv
