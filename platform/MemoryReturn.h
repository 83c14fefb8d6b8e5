#pragma once
// How freed memory goes back to the system. A session appends, compresses and frees large
// blocks all the time; the C library's default of raising its thresholds after the first large
// block is freed would keep every such block's memory in the process for good.
namespace platform {

// Blocks of 128 KiB and more that the heap has no room for are mapped of their own and unmapped
// when freed; more than 128 KiB free at the top of the heap is given back. Call once, first
// thing in main().
void returnFreedMemoryPromptly();

} // namespace platform
