#include "gpu/timestampquery.h"

#include <epoxy/gl.h>

namespace gpu {

std::unique_ptr<TimestampQuery> TimestampQuery::Create() {
    GLuint name = 0;
    glGenQueries(1, &name);
    if (!name) return nullptr;
    return std::unique_ptr<TimestampQuery>(new TimestampQuery(name));
}

TimestampQuery::~TimestampQuery() { glDeleteQueries(1, &name_); }

void TimestampQuery::End() {
    glQueryCounter(name_, GL_TIMESTAMP);
    ended_ = true;
}

bool TimestampQuery::GetData(uint64_t* nanoseconds) {
    if (!ended_) return false;
    GLint available = 0;
    glGetQueryObjectiv(name_, GL_QUERY_RESULT_AVAILABLE, &available);
    if (!available) return false;
    GLuint64 value = 0;
    glGetQueryObjectui64v(name_, GL_QUERY_RESULT, &value);
    *nanoseconds = value;
    return true;
}

}  // namespace gpu
