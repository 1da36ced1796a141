#include "results/tube_results.h"
