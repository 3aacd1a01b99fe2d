// Placeholder: filled in by the work in progress.
#pragma once
