// The answer codes of the console questions.
#ifndef LUMO_BASE_ANSWER_H
#define LUMO_BASE_ANSWER_H

enum Answer {
  kAnswerUnknown = -1,
  kAnswerNo = 0,
  kAnswerYes = 1,
  kAnswerAll = 2,
  kAnswerBreak = 3,
};

#endif
