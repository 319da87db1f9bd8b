#pragma once
// The first step of every property setter of the custom controls: compare with the stored value
// and do nothing when it is unchanged. Returns true when the value was stored, so the setter
// goes on to repaint (or signal) only for a real change.
template <typename T, typename U>
bool Store(T &field, const U &value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}
