#pragma once

// What a list or grid reports to its owner.
class IListListener
{
public:
    virtual void onItemSelected(int item) = 0;
    // button is the key that chose the item (Select or Play).
    virtual void onItemChosen(int item, int button) = 0;
    virtual void onNavLeft() = 0;
    virtual void onPageBack() = 0;

protected:
    // Owners are never deleted through this interface.
    ~IListListener() = default;
};
