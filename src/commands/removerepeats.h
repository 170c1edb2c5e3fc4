#pragma once

class CommandView;

// 去除重复号码: removes every row whose number repeats that of an earlier
// row, and keeps the first. Two numbers are the same when their 11 digits
// are, however each is written (as people write one in a cell, cellnumber.h);
// a number that has no such digits is compared as it stands. The rows kept
// are numbered 1 … n again and keep what they had: their location, and what
// the batch did with them. A location found for a repeat is not lost: the
// row kept takes it when it has none of its own (a batch stopped before it
// got there, a transfer that failed). Frame2's caption then says how many
// rows went and how many are left ("已去除重复号码3条，剩余3条"). An empty
// list gets "你还没有导入号码呢！", as the other commands over the list do.
void RemoveRepeatedNumbers(CommandView &view);
