// Every platform object is held through one reference, released at most once
// and emptied at once.
#pragma once

template <class T>
void ReleaseAndClear(T *&object) {
    if (object) {
        object->Release();
        object = nullptr;
    }
}
