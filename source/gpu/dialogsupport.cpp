#include "gpu/dialogsupport.h"

#include <epoxy/gl.h>

void ClearDialogFrame(int width, int height, const float color[4]) {
    glViewport(0, 0, width, height);
    glClearColor(color[0], color[1], color[2], color[3]);
    glClear(GL_COLOR_BUFFER_BIT);
}
