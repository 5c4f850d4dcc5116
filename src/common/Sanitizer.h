#pragma once
// Defines VELMORA_UNDER_SANITIZER in builds under the address, memory or thread
// sanitizer, whichever compiler made them, so that every place that must behave
// differently there asks the same question.

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VELMORA_UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer) || __has_feature(thread_sanitizer)
#define VELMORA_UNDER_SANITIZER 1
#endif
#endif
