// The circular, doubly-linked rings of the printer list and the option
// list: records linked through `next` and `prev`, reached from a head.
#ifndef LUMO_PPD_RING_H
#define LUMO_PPD_RING_H

#include <cstdio>
#include <cstdlib>

// Links the entry in just before the head, at the tail.  Without a head the
// process ends with status 1 after the caller's message on standard error.
template <typename Entry>
void ringAppend(Entry* head, Entry* entry, const char* noHeadMessage) {
  if (!head) {
    std::fputs(noHeadMessage, stderr);
    std::exit(1);
  }
  Entry* last = head->prev;
  last->next = entry;
  entry->prev = last;
  entry->next = head;
  head->prev = entry;
}

// Frees every entry but the head and links the head to itself.
template <typename Entry>
void ringClear(Entry* head) {
  Entry* entry = head->next;
  while (entry != head) {
    Entry* next = entry->next;
    delete entry;
    entry = next;
  }
  head->next = head->prev = head;
}

#endif
